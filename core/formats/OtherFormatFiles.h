#pragma once

#include <filesystem>
#include <string>

#include "core/formats/DataFormatTable.h"

class CKorvexGlobal;

// The program's "import other formats" and "export as other formats"
// commands without their dialogs: what the file dialogs offer and what a
// chosen file does.
namespace korvex::formats {

// The file dialogs' filters, in the form the dialog service takes.
inline constexpr char kImportOtherFilter[] =
    "candump log(*.log)|*.log|ASC file(*.asc)|*.asc|CAN data file(*.can)|*.can||";
inline constexpr char kExportOtherFilter[] =
    "candump log(*.log)|*.log|ASC file(*.asc)|*.asc|CSV file(*.csv)|*.csv||";

// Reads `path` into the global state as the import command does (every sink
// of the channel, counting, status text), the format from its extension: a
// candump log, an ASC file, or a .can file of either layout.
ReadResult ImportOtherFormatFile(const std::filesystem::path& path, const LoadRequest& request,
                                 CKorvexGlobal& global);

// The writer for an exported file's name: ASC for .asc, CSV for .csv, a
// candump log for anything else.
const DataFormatInfo& ExportFormatFor(const std::filesystem::path& path);

// Writes the frame list's frames; false when the file cannot be written.
bool ExportOtherFormatFile(const std::filesystem::path& path, const WriteSource& source);

}  // namespace korvex::formats
