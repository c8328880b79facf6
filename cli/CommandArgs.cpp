#include "cli/CommandArgs.h"

#include <algorithm>
#include <cstdio>

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
