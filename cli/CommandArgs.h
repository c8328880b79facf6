#pragma once

#include <string>
#include <vector>

#include "cli/CliCommands.h"

// Pieces of argument handling that every command of korvex-cli shares.
namespace korvex::cli {

// Whether "--help" or "-h" stands anywhere among the arguments.
bool HelpAsked(const std::vector<std::string>& args);

// Prints `usage` on io.out; returns kExitOk.
int PrintUsage(const CliStreams& io, const char* usage);

// "korvex-cli COMMAND: error", then `usage`, on io.err; returns kExitUsage.
int CommandUsageError(const CliStreams& io, const char* command, const char* usage,
                      const std::string& error);

// The value of --time: "clock" gives 0, "relative" 1 (the frame list's
// TimeShowType). False for anything else.
bool ParseTimeMode(const std::string& text, int& timeShowType);

inline constexpr char kTimeModeError[] = "--time takes 'clock' or 'relative'";

}  // namespace korvex::cli
