#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/DataFileInput.h"

namespace korvex::cli {

enum class CliVerb { kNone, kDevices, kUpload, kDump, kInfo };

// What the command line asked for.
struct CliOptions {
    CliVerb verb = CliVerb::kNone;
    bool help = false;
    std::uint32_t deviceIndex = 0;     // -d
    std::filesystem::path outputPath;  // upload -o
    InputOptions input;                // dump FILE and how to read it
    int timeShowType = -1;             // --time: 0 clock, 1 relative, -1 as the settings say
};

// The global option that traces every USB transfer of a run on stderr.
inline constexpr char kVerboseOption[] = "--verbose";

// Exit statuses: success, a device or file operation failed, usage error.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Parses the arguments after the program name. On a usage error returns false
// with the reason in `error`.
bool ParseCliOptions(const std::vector<std::string>& args, CliOptions& options, std::string& error);

// The --help text of a command; kNone gives the head of the overview, which
// CommandTableUsage() completes with the table's commands and the exit statuses.
const char* UsageText(CliVerb verb);
std::string CommandTableUsage();

}  // namespace korvex::cli
