#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/signals/SignalDatabase.h"

// Reads signal databases in the DBC format. Real files carry the odd damaged
// or unknown statement; each statement is read on its own, from its keyword
// up to the next line that begins with a keyword, so one that cannot be read
// is skipped whole, with its line, and never takes the next one with it.
namespace korvex::signaldb {

struct DbcError {
    int line = 0;  // 1-based, where the statement begins; 0 for the file as a whole
    std::string reason;
};

// Parses the bytes of a database (UTF-8, GBK or cp1252 per string, see
// DbcTextEncoding.h; a UTF-8 byte-order mark; CR, LF or CRLF line ends).
// Without `warnings` the reading is strict: the first statement that cannot
// be read refuses the database. With `warnings` it is lenient: such
// statements are skipped and listed there, as are identifiers read in a way
// the file did not mark. A database with no message is refused either way.
// False with `error`, and `out` left empty, on a refusal.
bool ParseDbcText(std::string_view bytes, DbcDatabase& out, DbcError& error,
                  std::vector<DbcError>* warnings = nullptr);

// Reads a file as ParseDbcText does. False with `errorText` as "FILE:LINE:
// reason" (or "FILE: reason" when the file itself cannot be read); warnings
// in the same form.
bool ReadDbcFile(const std::filesystem::path& path, DbcDatabase& out, std::string& errorText,
                 std::vector<std::string>* warnings = nullptr);

// "FILE:LINE: reason", or "FILE: reason" for line 0.
std::string DbcErrorText(const std::string& file, const DbcError& error);

// The pseudo-messages that DBC editors keep signals in that belong to no
// message; they carry no frames, and their signals are read and dropped.
inline constexpr std::uint32_t kIndependentSignalsFileId = 0xC0000000u;
inline constexpr std::uint32_t kUnmarkedIndependentSignalsFileId = 0x40000000u;

// Files larger than this are refused before they are read.
inline constexpr std::uintmax_t kMaxDbcFileSize = 256u << 20;

}  // namespace korvex::signaldb
