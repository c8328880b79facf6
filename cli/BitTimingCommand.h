#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace korvex::cli {

// korvex-cli bittiming: the calculator's list, one tab-separated line a row.
int RunBitTimingCommand(const std::vector<std::string>& args,
                        const std::filesystem::path& settingsFolder, const CliStreams& io);

}  // namespace korvex::cli
