#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "core/signals/SignalDecoder.h"

namespace korvex::cli {

// korvex-cli dbc FILE.dbc
int RunDbcCommand(const std::vector<std::string>& args, const std::filesystem::path& settingsFolder,
                  const CliStreams& io);

// Reads the databases in priority order into `decoder`; at the first one that
// cannot be read whole, writes "FILE:LINE: reason" to io.err and returns false.
bool ReadSignalDatabases(const std::vector<std::filesystem::path>& paths, const CliStreams& io,
                         signaldb::CSignalDecoder& decoder);

// korvex-cli decode FILE --dbc DB.dbc [--dbc DB2.dbc ...] [--signals M.S,...]
//                   [-o OUT.csv] [--time clock|relative] [input options]
int RunDecodeCommand(const std::vector<std::string>& args,
                     const std::filesystem::path& settingsFolder, const CliStreams& io);

}  // namespace korvex::cli
