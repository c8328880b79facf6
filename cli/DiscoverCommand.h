#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace korvex::cli {

// korvex-cli discover FILE [--ids ID,...] [--min-frames N] [-o DRAFT.dbc]
//                     [input options]
int RunDiscoverCommand(const std::vector<std::string>& args,
                       const std::filesystem::path& settingsFolder, const CliStreams& io);

}  // namespace korvex::cli
