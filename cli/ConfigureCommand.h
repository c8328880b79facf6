#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace korvex::cli {

// korvex-cli configure: the configuration dialog's Read, edits and Config.
int RunConfigureCommand(const std::vector<std::string>& args,
                        const std::filesystem::path& settingsFolder, const CliStreams& io);

}  // namespace korvex::cli
