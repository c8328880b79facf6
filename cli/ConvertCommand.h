#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace korvex::cli {

// korvex-cli convert IN OUT: a recording from one format into another
// (candump log, ASC, CSV, .can snapshot, text export).
int RunConvert(const std::vector<std::string>& args, const std::filesystem::path& settingsFolder,
               const CliStreams& io);

}  // namespace korvex::cli
