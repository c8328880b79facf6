#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "core/signals/SignalDecoder.h"

namespace korvex::cli {

// korvex-cli dbc [--strict] FILE.dbc
int RunDbcCommand(const std::vector<std::string>& args, const std::filesystem::path& settingsFolder,
                  const CliStreams& io);

// Reads a database, writing each warning to io.err as "warning: FILE:LINE:
// reason"; strict, the first warning refuses it. False, with "FILE:LINE:
// reason" written to io.err, when it is refused.
bool ReadSignalDatabase(const std::filesystem::path& path, const CliStreams& io, bool strict,
                        signaldb::DbcDatabase& db);

// Reads the databases in priority order into `decoder`, as ReadSignalDatabase
// does; false at the first one that is refused.
bool ReadSignalDatabases(const std::vector<std::filesystem::path>& paths, const CliStreams& io,
                         signaldb::CSignalDecoder& decoder, bool strict = false);

// korvex-cli decode FILE --dbc DB.dbc [--dbc DB2.dbc ...] [--strict] [--signals M.S,...]
//                   [-o OUT.csv] [--time clock|relative] [input options]
int RunDecodeCommand(const std::vector<std::string>& args,
                     const std::filesystem::path& settingsFolder, const CliStreams& io);

}  // namespace korvex::cli
