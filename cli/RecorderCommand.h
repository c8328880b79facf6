#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace korvex::cli {

// korvex-cli clear: empties the recorder's frame memory after a confirmation.
int RunClearCommand(const std::vector<std::string>& args,
                    const std::filesystem::path& settingsFolder, const CliStreams& io);
// korvex-cli default: restores recorder 0's factory configuration.
int RunDefaultCommand(const std::vector<std::string>& args,
                      const std::filesystem::path& settingsFolder, const CliStreams& io);

}  // namespace korvex::cli
