#include "cli/DeviceCommandSupport.h"

#include <cerrno>
#include <cstdlib>

#include "cli/CliOptions.h"
#include "core/KorvexGlobal.h"

namespace korvex::cli {
namespace {

constexpr char kMainSection[] = "Main";
constexpr char kCanSettingKey[] = "CANSetting";

}  // namespace

int UsageError(const CliStreams& io, const char* usage, const std::string& message) {
    io.err << "korvex-cli: " << message << "\n" << usage << std::flush;
    return kExitUsage;
}

int Refuse(const CliStreams& io, const std::string& message) {
    io.err << message << '\n' << std::flush;
    return kExitFailed;
}

bool ParseDeviceIndex(const std::string& text, std::uint32_t& index) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v > 255) return false;
    index = static_cast<std::uint32_t>(v);
    return true;
}

void PrintTabLine(const CliStreams& io, const std::string* fields, std::size_t count) {
    std::string line;
    for (std::size_t i = 0; i < count; ++i) line += fields[i] + '\t';
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), io.out);
}

::CANSetting LoadStoredSetting(const std::filesystem::path& settingsFolder) {
    CKorvexGlobal global;
    if (!settingsFolder.empty()) {
        global.iniPath = (settingsFolder / CKorvexGlobal::kDevCfgName).string();
        global.LoadSettings();
    }
    return global.CANSetting;
}

bool StoreSetting(const std::filesystem::path& settingsFolder, const ::CANSetting& setting) {
    if (settingsFolder.empty()) return false;
    CKorvexGlobal global;
    global.iniPath = (settingsFolder / CKorvexGlobal::kDevCfgName).string();
    return global.WriteStruct(kMainSection, kCanSettingKey, &setting, sizeof setting);
}

}  // namespace korvex::cli
