#pragma once

#include <filesystem>
#include <string>

#include "core/formats/DataFormatTable.h"

class CKorvexGlobal;

// The program's "import other formats" and "export as other formats"
// commands without their dialogs: what the file dialogs offer and what a
// chosen file does.
namespace korvex::formats {

// Reads `path` into the global state as the import command does (every sink
// of the channel, counting, status text), the format from its contents: a
// candump log, ASC, BLF, TRC, CSV, pcap, pcapng, or a .can file of either layout.
ReadResult ImportOtherFormatFile(const std::filesystem::path& path, const LoadRequest& request,
                                 CKorvexGlobal& global);

// The writer for an exported file's name: ASC for .asc, BLF for .blf, TRC
// (version 2.1) for .trc, CSV for .csv, pcapng for .pcapng and .pcap, a candump
// log for anything else.
const DataFormatInfo& ExportFormatFor(const std::filesystem::path& path);

// Writes the frame list's frames; false when the file cannot be written.
bool ExportOtherFormatFile(const std::filesystem::path& path, const WriteSource& source);

}  // namespace korvex::formats
