#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace korvex::cli {

// A command that parses its own arguments (those after its name). It prints its
// own --help and returns the exit status: kExitOk, kExitFailed or kExitUsage.
using CliCommandFn = int (*)(const std::vector<std::string>& args,
                             const std::filesystem::path& settingsFolder, const CliStreams& io);

struct CliCommand {
    const char* name;
    const char* summary;  // one line of the overview
    CliCommandFn run;
};

// The commands beyond devices/upload/dump/info, in the order the overview lists
// them. Each command family lives in a file of its own.
const std::vector<CliCommand>& CliCommandTable();

// The command of that name, or null.
const CliCommand* FindCliCommand(const std::string& name);

}  // namespace korvex::cli
