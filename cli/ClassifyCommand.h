#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace korvex::cli {

// korvex-cli classify FILE.can [--stream] --columns N[,N...] [--unfold]
//                     [--time clock|relative]
int RunClassifyCommand(const std::vector<std::string>& args,
                       const std::filesystem::path& settingsFolder, const CliStreams& io);

}  // namespace korvex::cli
