#include "cli/PresetsCommand.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>

#include "app/device/rules/PresetFrameRules.h"
#include "cli/DeviceCommandSupport.h"

namespace korvex::cli {
namespace {

using namespace korvex::device;

constexpr char kUsage[] =
    "Usage: korvex-cli presets get [-d INDEX]\n"
    "       korvex-cli presets set [-d INDEX] FILE\n"
    "  get reads the recorder's six preset frames and prints them as the preset\n"
    "  list shows them: number, identifier, format, type, send mode, data, each\n"
    "  followed by a tab. set writes the rows of FILE, in that form, each to\n"
    "  the preset its number (0 to 5) names; presets not given keep the stored\n"
    "  frames. Both store the frames in DevCfg.ini.\n";

// The cells of a line: its tab-separated fields, the empty one after the
// last tab dropped.
std::vector<std::string> Fields(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (at <= line.size()) {
        const std::size_t tab = line.find('\t', at);
        if (tab == std::string::npos) {
            if (at < line.size()) fields.push_back(line.substr(at));
            break;
        }
        fields.push_back(line.substr(at, tab - at));
        at = tab + 1;
    }
    return fields;
}

// The rows of the file over those shown, each in the place its number
// names, or the reason it cannot be read.
std::optional<std::string> ReadRows(const std::filesystem::path& file, PresetRows& rows) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return "korvex-cli: cannot open " + file.string() + ": " + std::strerror(errno);
    std::string line;
    std::array<bool, LGP_PRESET_FRAMES> given{};
    for (std::size_t number = 1; std::getline(in, line); ++number) {
        std::vector<std::string> fields = Fields(line);
        if (fields.empty()) continue;
        const std::string where = file.string() + ":" + std::to_string(number);
        if (fields.size() != kPresetColumns)
            return "korvex-cli: " + where + ": a row has six tab-separated fields";
        const std::string& place = fields[kPresetNumber];
        if (place.size() != 1 || place[0] < '0' || place[0] >= '0' + int{LGP_PRESET_FRAMES})
            return "korvex-cli: " + where + ": the preset number is 0 to 5, not '" + place + "'";
        const auto row = static_cast<std::size_t>(place[0] - '0');
        if (given[row]) return "korvex-cli: " + where + ": preset " + place + " is given twice";
        given[row] = true;
        for (std::size_t c = 0; c < kPresetColumns; ++c) rows[row][c] = fields[c];
    }
    return std::nullopt;
}

}  // namespace

int RunPresetsCommand(const std::vector<std::string>& args,
                      const std::filesystem::path& settingsFolder, const CliStreams& io) {
    std::string verb;
    std::uint32_t index = 0;
    std::vector<std::string> files;
    CArgCursor cursor(args);
    while (!cursor.Done()) {
        const std::string a = cursor.Take();
        std::string value;
        if (a == "--help" || a == "-h") return PrintUsage(io, kUsage);
        if (a == "-d" || a == "--device") {
            if (!cursor.Value(value) || !ParseDeviceIndex(value, index))
                return UsageError(io, kUsage, "-d needs a device index from 0 to 255");
        } else if (!a.empty() && a[0] == '-') {
            return UsageError(io, kUsage, "unknown option '" + a + "'");
        } else if (verb.empty()) {
            verb = a;
        } else {
            files.push_back(a);
        }
    }
    if (verb != "get" && verb != "set") return UsageError(io, kUsage, "presets needs get or set");
    if (verb == "get" && !files.empty()) return UsageError(io, kUsage, "presets get takes no file");
    if (verb == "set" && files.size() != 1)
        return UsageError(io, kUsage, "presets set needs one FILE");

    ::CANSetting setting = LoadStoredSetting(settingsFolder);
    CPresetDialogRules rules(setting, index);
    rules.Show();
    DeviceMessage outcome;
    if (verb == "get") {
        outcome = rules.Read();
        if (!outcome.ok) return Refuse(io, outcome.text);
        for (const PresetRow& row : rules.rows) PrintTabLine(io, row.data(), row.size());
        std::fflush(io.out);
    } else {
        if (auto error = ReadRows(files[0], rules.rows)) return Refuse(io, *error);
        outcome = rules.Write();
    }
    // As the dialog on close: the frames edited are kept even when the
    // recorder refused them. A failed read keeps the stored frames.
    rules.StoreInto(setting);
    if (!settingsFolder.empty() && !StoreSetting(settingsFolder, setting))
        return Refuse(io, "korvex-cli: cannot write the settings in " + settingsFolder.string());
    if (!outcome.ok) return Refuse(io, outcome.text);
    if (verb == "set") {
        std::fprintf(io.out, "%s\n", outcome.text.c_str());
        std::fflush(io.out);
    }
    return kExitOk;
}

}  // namespace korvex::cli
