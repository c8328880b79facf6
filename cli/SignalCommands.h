#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace korvex::cli {

// korvex-cli dbc FILE.dbc
int RunDbcCommand(const std::vector<std::string>& args, const std::filesystem::path& settingsFolder,
                  const CliStreams& io);

// korvex-cli decode FILE --dbc DB.dbc [--dbc DB2.dbc ...] [--signals M.S,...]
//                   [-o OUT.csv] [--time clock|relative] [input options]
int RunDecodeCommand(const std::vector<std::string>& args,
                     const std::filesystem::path& settingsFolder, const CliStreams& io);

}  // namespace korvex::cli
