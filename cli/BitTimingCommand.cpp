#include "cli/BitTimingCommand.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "app/device/rules/BitTiming.h"
#include "cli/DeviceCommandSupport.h"

namespace korvex::cli {
namespace {

using namespace korvex::device;

constexpr char kUsage[] =
    "Usage: korvex-cli bittiming [--clock MHZ] [--rate BPS] [--sjw 0-3] [--no-rule] [--triple]\n"
    "  Lists the bit-timing register values whose bit rate lies within 0.5 % of\n"
    "  BPS at a controller clock of MHZ (0 to 133, default 16; bit rate 0 to\n"
    "  6000000, default 500000; SJW register value, default 0). --no-rule drops\n"
    "  the rule TSEG2 >= SJW; --triple sets triple sampling.\n";

bool ParseClockMHz(const std::string& text, double& mhz) {
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.'))
        return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v) || v < 0.0 || v > kMaxClockMHz)
        return false;
    mhz = v;
    return true;
}

bool ParseUnsigned(const std::string& text, std::uint32_t max, std::uint32_t& out) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v > max) return false;
    out = static_cast<std::uint32_t>(v);
    return true;
}

}  // namespace

int RunBitTimingCommand(const std::vector<std::string>& args, const std::filesystem::path&,
                        const CliStreams& io) {
    CBitTimingRules rules;
    CArgCursor cursor(args);
    while (!cursor.Done()) {
        const std::string option = cursor.Take();
        std::string value;
        if (option == "--help" || option == "-h") return PrintUsage(io, kUsage);
        if (option == "--clock") {
            if (!cursor.Value(value) || !ParseClockMHz(value, rules.input.clockMHz))
                return UsageError(io, kUsage, "--clock needs a clock from 0 to 133 MHz");
        } else if (option == "--rate") {
            if (!cursor.Value(value) ||
                !ParseUnsigned(value, kMaxDesiredRate, rules.input.desiredRate))
                return UsageError(io, kUsage, "--rate needs a bit rate from 0 to 6000000");
        } else if (option == "--sjw") {
            if (!cursor.Value(value) ||
                !ParseUnsigned(value, kMaxSjwRegister, rules.input.sjwRegister))
                return UsageError(io, kUsage, "--sjw needs an SJW register value from 0 to 3");
        } else if (option == "--no-rule") {
            rules.input.tseg2AtLeastSjw = false;
        } else if (option == "--triple") {
            rules.input.tripleSampling = true;
        } else {
            return UsageError(io, kUsage, "unknown option '" + option + "'");
        }
    }
    rules.Calculate();
    const auto captions = BitTimingCaptions();
    PrintTabLine(io, captions.data(), captions.size());
    for (std::size_t row = 0; row < rules.Results().size(); ++row) {
        const auto texts = rules.RowTexts(row);
        PrintTabLine(io, texts.data(), texts.size());
    }
    std::fflush(io.out);
    return kExitOk;
}

}  // namespace korvex::cli
