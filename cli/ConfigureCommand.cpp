#include "cli/ConfigureCommand.h"

#include <cstdio>
#include <ctime>
#include <optional>

#include "app/common/rules/HexText.h"
#include "app/device/rules/ClockText.h"
#include "app/device/rules/ConfigDialogRules.h"
#include "cli/DeviceCommandSupport.h"
#include "core/KorvexGlobal.h"

namespace korvex::cli {
namespace {

using namespace korvex::device;

constexpr char kUsage[] =
    "Usage: korvex-cli configure [-d INDEX] [--stored]\n"
    "         [--bitrate 1000K|800K|500K|250K|125K|100K|50K|20K|10K|5K | --register HEX]\n"
    "         [--mode listen|normal] [--interval HEX] [--clock now|\"YYYY-MM-DD HH:MM:SS\"]\n"
    "         [--io 0|1] [--resistor on|off] [--filter off|RANGES]\n"
    "  Starts from the recorder's configuration (with --stored: the one stored in\n"
    "  DevCfg.ini), changes what the options name and writes it to the recorder;\n"
    "  every setting no option names is written back exactly as it was.\n"
    "  RANGES is a comma-separated list of std:ID, std:FROM-TO, ext:ID, ext:FROM-TO\n"
    "  (hexadecimal); it enables the filter with those ranges. The result is\n"
    "  stored in DevCfg.ini.\n";

constexpr std::uint32_t kStdIdMax = 0x7FF;
constexpr std::uint32_t kExtIdMax = 0x1FFFFFFF;

struct RangeOption {
    FilterFormat format;
    std::string start;
    std::string end;
};

struct ConfigureRequest {
    std::uint32_t deviceIndex = 0;
    bool stored = false;
    std::optional<int> bitRateIndex;
    std::optional<std::string> customRegister;
    std::optional<int> modeIndex;
    std::optional<std::string> sendInterval;
    std::optional<std::string> clock;
    std::optional<int> ioLevel;
    std::optional<bool> resistor;
    std::optional<bool> filterOn;
    std::vector<RangeOption> ranges;
};

std::optional<int> BitRateIndexOfText(const std::string& text) {
    const auto& table = BitRateTable();
    for (std::size_t i = 0; i < table.size(); ++i)
        if (text == table[i].text) return static_cast<int>(i);
    return std::nullopt;
}

bool ParseClockOption(const std::string& text, std::string& clock) {
    if (text == "now") {
        clock = FormatClock(ClockFromTime(std::time(nullptr)));
        return true;
    }
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
    if (text.size() != 19 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used) !=
            6 ||
        used != 19)
        return false;
    const ClockFields fields{y / 100, y % 100, mo, d, h, mi, s};
    if (y < 0 || !IsValidClock(fields)) return false;
    clock = FormatClock(fields);
    return true;
}

bool ParseRange(const std::string& text, RangeOption& out) {
    const bool extended = text.rfind("ext:", 0) == 0;
    if (!extended && text.rfind("std:", 0) != 0) return false;
    const std::string body = text.substr(4);
    const std::size_t dash = body.find('-');
    const std::uint32_t max = extended ? kExtIdMax : kStdIdMax;
    std::uint32_t start = 0, end = 0;
    if (dash == std::string::npos) {
        if (!ParseHexNumber(body, start) || start > max) return false;
        out = {extended ? FilterFormat::kExtExplicit : FilterFormat::kStdExplicit, body, body};
        return true;
    }
    out = {extended ? FilterFormat::kExtGroup : FilterFormat::kStdGroup, body.substr(0, dash),
           body.substr(dash + 1)};
    return ParseHexNumber(out.start, start) && ParseHexNumber(out.end, end) && start < end &&
           end <= max;
}

bool ParseRanges(const std::string& text, std::vector<RangeOption>& ranges) {
    std::size_t at = 0;
    while (true) {
        const std::size_t comma = text.find(',', at);
        RangeOption range;
        if (!ParseRange(text.substr(at, comma - at), range)) return false;
        ranges.push_back(range);
        if (comma == std::string::npos) return true;
        at = comma + 1;
    }
}

// The options, or the usage error naming the one that does not parse.
std::optional<std::string> ParseRequest(const std::vector<std::string>& args, ConfigureRequest& r) {
    CArgCursor cursor(args);
    while (!cursor.Done()) {
        const std::string option = cursor.Take();
        std::string v;
        if (option == "--stored") {
            r.stored = true;
            continue;
        }
        const bool hasValue = cursor.Value(v);
        if (option == "-d" || option == "--device") {
            if (!hasValue || !ParseDeviceIndex(v, r.deviceIndex))
                return "-d needs a device index from 0 to 255";
        } else if (option == "--bitrate") {
            if (!hasValue || !(r.bitRateIndex = BitRateIndexOfText(v)))
                return "--bitrate needs one of 1000K 800K 500K 250K 125K 100K 50K 20K 10K 5K";
        } else if (option == "--register") {
            std::uint32_t value = 0;
            if (!hasValue || !ParseHexNumber(v, value))
                return "--register needs a hexadecimal register value";
            r.customRegister = v;
        } else if (option == "--mode") {
            if (!hasValue || (v != "listen" && v != "normal"))
                return "--mode needs listen or normal";
            r.modeIndex = v == "listen" ? 0 : 1;
        } else if (option == "--interval") {
            std::uint32_t value = 0;
            if (!hasValue || !ParseHexNumber(v, value))
                return "--interval needs a hexadecimal number of milliseconds";
            r.sendInterval = v;
        } else if (option == "--clock") {
            std::string clock;
            if (!hasValue || !ParseClockOption(v, clock))
                return "--clock needs now or a time \"YYYY-MM-DD HH:MM:SS\"";
            r.clock = clock;
        } else if (option == "--io") {
            if (!hasValue || (v != "0" && v != "1")) return "--io needs 0 or 1";
            r.ioLevel = v == "1" ? 1 : 0;
        } else if (option == "--resistor") {
            if (!hasValue || (v != "on" && v != "off")) return "--resistor needs on or off";
            r.resistor = v == "on";
        } else if (option == "--filter") {
            if (!hasValue) return "--filter needs off or a list of ranges";
            r.ranges.clear();
            r.filterOn = v != "off";
            if (*r.filterOn && !ParseRanges(v, r.ranges))
                return "--filter: '" + v +
                       "' is not a list of std:ID, std:FROM-TO, ext:ID, ext:FROM-TO "
                       "(hexadecimal, FROM below TO)";
        } else {
            return "unknown option '" + option + "'";
        }
    }
    if (r.bitRateIndex && r.customRegister) return "--bitrate and --register exclude each other";
    return std::nullopt;
}

// What the options name; the rest goes back as the command started with it.
// A filter read from the recorder stays there untouched; a stored one is
// written whole, with the entries of every channel.
ConfigChanges NamedChanges(const ConfigureRequest& r) {
    ConfigChanges changes;
    changes.bitTiming = r.bitRateIndex || r.customRegister;
    changes.mode = r.modeIndex.has_value();
    changes.sendInterval = r.sendInterval.has_value();
    changes.clock = r.clock.has_value();
    changes.ioLevel = r.ioLevel.has_value();
    changes.resistor = r.resistor.has_value();
    changes.filter = r.filterOn.has_value();
    changes.keptFilter =
        r.stored ? ConfigChanges::KeptFilter::kRewritten : ConfigChanges::KeptFilter::kNotSent;
    return changes;
}

// The user's edits, made on the dialog's controls.
std::optional<DeviceMessage> Apply(const ConfigureRequest& r, CConfigDialogRules& rules) {
    ConfigControls& c = rules.controls;
    if (r.bitRateIndex) {
        c.customBitRate = false;
        c.bitRateIndex = *r.bitRateIndex;
        rules.BitRateChanged();
    }
    if (r.customRegister) {
        c.customBitRate = true;
        c.customRegister = *r.customRegister;
    }
    if (r.modeIndex) c.modeIndex = *r.modeIndex;
    if (r.sendInterval) c.sendInterval = *r.sendInterval;
    if (r.clock) c.clock = *r.clock;
    if (r.ioLevel) c.ioLevel = *r.ioLevel;
    if (r.resistor) c.resistor = *r.resistor;
    if (!r.filterOn) return std::nullopt;
    c.filterEnable = *r.filterOn;
    if (!c.filterEnable) return std::nullopt;
    while (!c.rows.empty()) {
        c.selectedRow = 0;
        rules.Delete();
    }
    for (const RangeOption& range : r.ranges) {
        c.filterFormat = static_cast<int>(range.format);
        c.startId = range.start;
        c.endId = range.end;
        if (auto refusal = rules.Add()) return refusal;
    }
    return std::nullopt;
}

}  // namespace

int RunConfigureCommand(const std::vector<std::string>& args,
                        const std::filesystem::path& settingsFolder, const CliStreams& io) {
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") return PrintUsage(io, kUsage);
    ConfigureRequest request;
    if (auto error = ParseRequest(args, request)) return UsageError(io, kUsage, *error);

    ::CANSetting setting = LoadStoredSetting(settingsFolder);
    CConfigDialogRules rules(setting.baseInfo, setting.filterInfo, std::time(nullptr));
    rules.Initialise();
    rules.controls.deviceIndex = static_cast<int>(request.deviceIndex);
    DeviceMessage outcome;
    if (!request.stored) outcome = rules.Read();
    if (request.stored || outcome.ok) {
        if (auto refusal = Apply(request, rules))
            outcome = *refusal;
        else
            outcome = rules.Config(NamedChanges(request));
    }
    // Whatever happened, the records go back as the dialog gives them back.
    rules.StoreInto(setting);
    if (!settingsFolder.empty() && !StoreSetting(settingsFolder, setting))
        return Refuse(io, "korvex-cli: cannot write " +
                              (settingsFolder / CKorvexGlobal::kDevCfgName).string());
    if (!outcome.ok) return Refuse(io, outcome.text);
    std::fprintf(io.out, "%s\n", outcome.text.c_str());
    std::fflush(io.out);
    return kExitOk;
}

}  // namespace korvex::cli
