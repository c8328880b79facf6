#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace korvex::cli {

// korvex-cli presets get|set: the preset frames dialog's Read and Write.
int RunPresetsCommand(const std::vector<std::string>& args,
                      const std::filesystem::path& settingsFolder, const CliStreams& io);

}  // namespace korvex::cli
