#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace korvex::cli {

// korvex-cli search FILE.can --column N CONDITIONS: the search pane's search
// on a freshly loaded data file, printed as the result list's export.
int RunSearchCommand(const std::vector<std::string>& args,
                     const std::filesystem::path& settingsFolder, const CliStreams& io);

}  // namespace korvex::cli
