#include "cli/KvsetCommand.h"

#include <cstring>
#include <string_view>

#include "cli/DeviceCommandSupport.h"
#include "core/KorvexGlobal.h"
#include "core/KvsetFile.h"
#include "share/AtomicFile.h"
#include "xtp/XTPResourceManager.h"

namespace korvex::cli {
namespace {

constexpr char kUsage[] =
    "Usage: korvex-cli kvset export FILE.kvset\n"
    "       korvex-cli kvset import FILE.kvset\n"
    "  export saves the settings and packs DevCfg.ini into FILE; import unpacks\n"
    "  FILE's entries into the settings folder.\n";

constexpr std::uint32_t kSaveConfigFailed = 114;  // "保存配置失败"

const char* ImportProblem(KvsetStatus status) {
    switch (status) {
        case KvsetStatus::kTruncated:
            return "the file ends inside an entry";
        case KvsetStatus::kBadName:
            return "an entry's name is not a bare file name";
        case KvsetStatus::kTooLarge:
            return "an entry is larger than a settings file can be";
        case KvsetStatus::kBadData:
            return "an entry's packed data is damaged";
        case KvsetStatus::kStoreFailed:
            return "an entry could not be written into the settings folder";
        default:
            return "the file cannot be read";
    }
}

// The document's export: the settings are saved first, so DevCfg.ini is
// current, then packed.
int Export(const std::filesystem::path& kvset, const std::filesystem::path& folder,
           const CliStreams& io) {
    CKorvexGlobal global;
    global.iniPath = (folder / CKorvexGlobal::kDevCfgName).string();
    global.LoadSettings();
    global.SaveSettings();
    if (ExportKvsetFile(kvset, folder / CKorvexGlobal::kDevCfgName, CKorvexGlobal::kDevCfgName) !=
        KvsetStatus::kOk)
        return Refuse(io, XTPLoadString(kSaveConfigFailed));
    return kExitOk;
}

// The document's import: each entry replaces its file in the settings
// folder, byte for byte; nothing else is rewritten.
int Import(const std::filesystem::path& kvset, const std::filesystem::path& folder,
           const CliStreams& io) {
    const KvsetImportResult result = ImportKvsetFile(
        kvset, [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
            return name_share::WriteFileAtomic(
                (folder / name).string(),
                std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        });
    if (result.status == KvsetStatus::kCannotOpen)
        return Refuse(io, "korvex-cli: cannot open " + kvset.string() + ": " +
                              std::strerror(result.error));
    if (result.status != KvsetStatus::kOk)
        return Refuse(io, "korvex-cli: " + kvset.string() + ": " + ImportProblem(result.status) +
                              " (" + std::to_string(result.entriesStored) + " stored before it)");
    return kExitOk;
}

}  // namespace

int RunKvsetCommand(const std::vector<std::string>& args,
                    const std::filesystem::path& settingsFolder, const CliStreams& io) {
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") return PrintUsage(io, kUsage);
    if (args.size() != 2 || (args[0] != "export" && args[0] != "import"))
        return UsageError(io, kUsage, "kvset needs export or import and one FILE");
    if (!args[1].empty() && args[1][0] == '-')
        return UsageError(io, kUsage, "unknown option '" + args[1] + "'");
    if (settingsFolder.empty()) return Refuse(io, "korvex-cli: no settings folder");
    return args[0] == "export" ? Export(args[1], settingsFolder, io)
                               : Import(args[1], settingsFolder, io);
}

}  // namespace korvex::cli
