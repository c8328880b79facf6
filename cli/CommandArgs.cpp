#include "cli/CommandArgs.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace korvex::cli {

bool HelpAsked(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "--help" || a == "-h"; });
}

int PrintUsage(const CliStreams& io, const char* usage) {
    std::fputs(usage, io.out);
    std::fflush(io.out);
    return kExitOk;
}

int CommandUsageError(const CliStreams& io, const char* command, const char* usage,
                      const std::string& error) {
    io.err << "korvex-cli " << command << ": " << error << "\n" << usage << std::flush;
    return kExitUsage;
}

bool ParseTimeMode(const std::string& text, int& timeShowType) {
    if (text == "clock") {
        timeShowType = 0;
    } else if (text == "relative") {
        timeShowType = 1;
    } else {
        return false;
    }
    return true;
}

}  // namespace korvex::cli
