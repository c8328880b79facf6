#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/signals/SignalDatabase.h"

// Reads signal databases in the DBC format. A database that cannot be read
// whole is refused: a message or signal read wrongly would decode wrongly in
// silence, so the first line that cannot be read ends the reading with its
// number and the reason.
namespace korvex::signaldb {

struct DbcError {
    int line = 0;  // 1-based; 0 when the file as a whole could not be read
    std::string reason;
};

// Parses the text of a database (UTF-8). False with the first fault.
bool ParseDbcText(std::string_view text, DbcDatabase& out, DbcError& error);

// Reads a file in UTF-8, GBK or cp1252 (DbcTextEncoding.h). False with
// `errorText` as "FILE:LINE: reason" (or "FILE: reason" when the file itself
// cannot be read); `out` is then left empty.
bool ReadDbcFile(const std::filesystem::path& path, DbcDatabase& out, std::string& errorText);

// "FILE:LINE: reason", or "FILE: reason" for line 0.
std::string DbcErrorText(const std::string& file, const DbcError& error);

// The pseudo-message that DBC editors keep signals in that belong to no
// message; its signals are read and dropped.
inline constexpr std::uint32_t kIndependentSignalsFileId = 0xC0000000u;

// Files larger than this are refused before they are read.
inline constexpr std::uintmax_t kMaxDbcFileSize = 256u << 20;

}  // namespace korvex::signaldb
