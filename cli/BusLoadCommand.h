#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace korvex::cli {

// korvex-cli busload FILE.can [--stream] [--span K] [--from HH:MM:SS --to HH:MM:SS]
int RunBusLoadCommand(const std::vector<std::string>& args,
                      const std::filesystem::path& settingsFolder, const CliStreams& io);

}  // namespace korvex::cli
