#pragma once

#include <QStringList>
#include <cstdint>

class CKorvexGlobal;

namespace korvex::shell {

class CKorvexShell;
class CKorvexView;

namespace fmt {
// Messages of the File menu's commands cmd::kImportOtherFormat and
// cmd::kExportOtherFormat (rules/ShellIds.h).
inline constexpr std::uint32_t kStrImportFailed = 26001;  // "无法导入该文件：%s"
inline constexpr std::uint32_t kStrLinesSkipped = 26002;  // "%lld 行无法读取，已跳过……"
// The file dialogs' filters: every format read, and every format written.
inline constexpr std::uint32_t kStrImportFilter = 26004;
inline constexpr std::uint32_t kStrExportFilter = 26005;
inline constexpr std::uint32_t kStrLongFdSkipped = 26006;  // "%lld 个长于 8 字节的 CAN FD 帧已跳过"
// What an import read other than as plain frames, or left out.
inline constexpr std::uint32_t kStrDamagedSkipped = 26020;  // "已跳过 %lld 处损坏……"
inline constexpr std::uint32_t kStrShortFdRead = 26021;
inline constexpr std::uint32_t kStrTxRequestsRead = 26022;
inline constexpr std::uint32_t kStrUnfitIdsSkipped = 26023;
inline constexpr std::uint32_t kStrOtherObjectsSkipped = 26024;
inline constexpr std::uint32_t kStrBadObjectsSkipped = 26025;
// "文件在偏移 %lld 处损坏（%s），其前的报文已读入"
inline constexpr std::uint32_t kStrDamagedAt = 26026;
}  // namespace fmt

// "导入其他格式..." reads a candump log, ASC, BLF, TRC, CSV, pcap, pcapng or a
// .can file into the frame list, asking first which channel of a file of
// several to import; "导出为其他格式..." writes the list as candump, ASC, BLF,
// TRC, CSV or pcapng.
void InstallOtherFormatCommands(CKorvexView& view);

// KorvexPro FILE (the desktop passes a double-clicked file): the first
// argument that is not an option is read as the import of other formats
// reads it, a .can file in the layout its size fits.
void OpenFileArgument(CKorvexShell& shell, CKorvexGlobal& global, const QStringList& arguments);

}  // namespace korvex::shell
