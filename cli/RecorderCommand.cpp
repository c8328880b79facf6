#include "cli/RecorderCommand.h"

#include <unistd.h>

#include <iostream>

#include "app/device/rules/ClearRules.h"
#include "app/device/rules/ConfigDialogRules.h"
#include "cli/DeviceCommandSupport.h"

namespace korvex::cli {
namespace {

using namespace korvex::device;

constexpr char kClearUsage[] =
    "Usage: korvex-cli clear [-d INDEX] --yes\n"
    "  Clears the recorder's recorded frames. Without --yes it asks on a\n"
    "  terminal and refuses otherwise.\n";
constexpr char kDefaultUsage[] =
    "Usage: korvex-cli default --yes\n"
    "  Restores the factory configuration of recorder 0. Without --yes it asks\n"
    "  on a terminal and refuses otherwise.\n";

// The confirmation: --yes, or "y" typed on a terminal. Anything else is the
// answer "否", and nothing reaches the recorder.
bool Confirmed(bool yes, const std::string& question, const CliStreams& io) {
    if (yes) return true;
    if (isatty(STDIN_FILENO) != 1) {
        io.err << question << '\n' << DeviceText(ids::kAskOnTerminal) << '\n' << std::flush;
        return false;
    }
    io.err << question << " [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

}  // namespace

int RunClearCommand(const std::vector<std::string>& args, const std::filesystem::path&,
                    const CliStreams& io) {
    std::uint32_t index = 0;
    bool yes = false;
    CArgCursor cursor(args);
    while (!cursor.Done()) {
        const std::string a = cursor.Take();
        std::string value;
        if (a == "--help" || a == "-h") return PrintUsage(io, kClearUsage);
        if (a == "--yes" || a == "-y") {
            yes = true;
        } else if (a == "-d" || a == "--device") {
            if (!cursor.Value(value) || !ParseDeviceIndex(value, index))
                return UsageError(io, kClearUsage, "-d needs a device index from 0 to 255");
        } else {
            return UsageError(io, kClearUsage, "unknown option '" + a + "'");
        }
    }
    if (!Confirmed(yes, ClearQuestionText(), io)) return kExitFailed;
    const DeviceMessage outcome = ClearOutcomeMessage(ClearRecorder(index), index);
    if (!outcome.ok) return Refuse(io, outcome.text);
    std::fprintf(io.out, "%s\n", outcome.text.c_str());
    std::fflush(io.out);
    return kExitOk;
}

int RunDefaultCommand(const std::vector<std::string>& args, const std::filesystem::path&,
                      const CliStreams& io) {
    bool yes = false;
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") return PrintUsage(io, kDefaultUsage);
        if (a == "--yes" || a == "-y")
            yes = true;
        else if (a == "-d" || a == "--device")
            return UsageError(io, kDefaultUsage, "default always restores recorder 0; no -d");
        else
            return UsageError(io, kDefaultUsage, "unknown option '" + a + "'");
    }
    if (!Confirmed(yes, CConfigDialogRules::DefaultQuestion().text, io)) return kExitFailed;
    const DeviceMessage outcome = CConfigDialogRules::Default();
    if (!outcome.ok) return Refuse(io, outcome.text);
    std::fprintf(io.out, "%s\n", outcome.text.c_str());
    std::fflush(io.out);
    return kExitOk;
}

}  // namespace korvex::cli
