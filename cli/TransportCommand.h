#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace korvex::cli {

// korvex-cli transport FILE [--isotp PAIRS|none] [--dbc DB.dbc ...]
//                      [--time clock|relative] [-o OUT.csv] [input options]
int RunTransportCommand(const std::vector<std::string>& args,
                        const std::filesystem::path& settingsFolder, const CliStreams& io);

// korvex-cli dtc FILE [--time clock|relative] [-o OUT.csv] [input options]
int RunDtcCommand(const std::vector<std::string>& args, const std::filesystem::path& settingsFolder,
                  const CliStreams& io);

}  // namespace korvex::cli
