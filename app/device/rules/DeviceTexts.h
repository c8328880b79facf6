#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// Numbered texts of the device dialogs. Their built-in Chinese lives in the
// "Device dialogs" block of the built-in resources.
namespace korvex::device {

namespace ids {
inline constexpr std::uint32_t kListenMode = 105;
inline constexpr std::uint32_t kNormalMode = 106;
inline constexpr std::uint32_t kColumnChannel = 107;
inline constexpr std::uint32_t kColumnType = 108;
inline constexpr std::uint32_t kColumnStartId = 109;
inline constexpr std::uint32_t kColumnEndId = 110;
inline constexpr std::uint32_t kAskFactoryDefault = 113;
inline constexpr std::uint32_t kDone = 6000;
inline constexpr std::uint32_t kFailed = 6001;
inline constexpr std::uint32_t kNothingToDelete = 6002;
inline constexpr std::uint32_t kStartNotBelowEnd = 6003;
inline constexpr std::uint32_t kStdExplicit = 9116;
inline constexpr std::uint32_t kStdGroup = 9117;
inline constexpr std::uint32_t kExtExplicit = 9119;
inline constexpr std::uint32_t kExtGroup = 9120;
inline constexpr std::uint32_t kExtendedFrame = 50288;
inline constexpr std::uint32_t kStandardFrame = 50289;
inline constexpr std::uint32_t kColumnNumber = 61489;
inline constexpr std::uint32_t kColumnFrameId = 61493;
inline constexpr std::uint32_t kColumnFrameFormat = 61494;
inline constexpr std::uint32_t kColumnFrameType = 61495;
inline constexpr std::uint32_t kColumnData = 61497;
inline constexpr std::uint32_t kDataFrame = 61502;
inline constexpr std::uint32_t kRemoteFrame = 61503;
inline constexpr std::uint32_t kNormalSend = 61504;
inline constexpr std::uint32_t kSelfReceive = 61505;
inline constexpr std::uint32_t kColumnSendType = 61506;

// Texts of our own.
inline constexpr std::uint32_t kBadStartId = 23000;
inline constexpr std::uint32_t kBadEndId = 23001;
inline constexpr std::uint32_t kBadSendInterval = 23002;
inline constexpr std::uint32_t kBadCustomRegister = 23003;
inline constexpr std::uint32_t kBadDataByte = 23004;
inline constexpr std::uint32_t kOpenFailed = 23005;
inline constexpr std::uint32_t kDoneBang = 23006;
inline constexpr std::uint32_t kWarning = 23007;
inline constexpr std::uint32_t kClearFailed = 23008;
inline constexpr std::uint32_t kAskOnTerminal = 23009;
inline constexpr std::uint32_t kColumnBitTiming = 23010;
inline constexpr std::uint32_t kColumnSegments = 23011;
inline constexpr std::uint32_t kColumnSamplePoint = 23012;
inline constexpr std::uint32_t kColumnActualRate = 23013;
inline constexpr std::uint32_t kColumnError = 23014;
inline constexpr std::uint32_t kRangeRefused = 23015;
// A recorder that is attached but cannot be opened: "%s" bus, "%s" device.
inline constexpr std::uint32_t kNoPermissionHint = 23016;
inline constexpr std::uint32_t kBusyHint = 23017;
}  // namespace ids

// The text of `id` in the current language.
std::string DeviceText(std::uint32_t id);

// The text of `id`, whose built-in text reads one "%s", formatted with
// `argument` (the argument is never used as a format).
std::string DeviceText(std::uint32_t id, std::string_view argument);

// The text of `id` with its first "%s" replaced by the first argument, the
// next by the next, and so on; a "%s" without an argument stays.
std::string DeviceText(std::uint32_t id, std::initializer_list<std::string> arguments);

// `value` as printf formats it with `format` (one unsigned conversion): the
// numbers in the dialogs' cells and boxes.
std::string FormatU32(const char* format, std::uint32_t value);

// What a rule asks the window to tell the user: a plain message box owned by
// the dialog unless `type` names an icon.
struct DeviceMessage {
    std::string text;
    std::string caption;  // empty: the default caption
    std::uint32_t type = 0;
    bool ok = false;  // the action succeeded; false for failures and refusals
};

}  // namespace korvex::device
