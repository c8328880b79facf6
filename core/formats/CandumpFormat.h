#pragma once

#include <cstdio>
#include <string_view>

#include "core/formats/FormatOptions.h"
#include "core/formats/FrameClock.h"
#include "core/formats/Recording.h"
#include "core/formats/WriteSource.h"

// The log of the Linux CAN tools (candump -l, canplayer):
// "(SECONDS.MICROSECONDS) IFACE ID#DATA", one frame per line.
namespace korvex::formats {

// The longest line the writer makes, interface name aside.
inline constexpr std::size_t kCandumpLineMax = 64;

// Writes one line at `out` (room for kCandumpLineMax + iface.size()) and
// returns its end. Identifiers have 3 hex digits for standard and 8 for
// extended frames, a remote frame is "ID#R" with its length digit when it is
// not 0, data are upper-case hex; an event record is an error frame.
char* PutCandumpLine(char* out, Ticks time, const _VCI_CAN_OBJ& frame, std::string_view iface);

// What a line's "##" made of it: a CAN FD frame of up to 8 bytes is read as
// a classic frame, a longer one fits no frame record.
enum class CandumpFd { kNone, kShort, kLong };

// One line read: the frame with every field but the time stamp and clock
// index, and its absolute time (a long CAN FD frame's data aside). False with
// a reason for a line that is not a frame of the log.
struct CandumpLine {
    Ticks time = 0;
    std::string_view iface;  // within the line
    _VCI_CAN_OBJ frame{};
    CandumpFd fd = CandumpFd::kNone;
};
bool ParseCandumpLine(std::string_view line, CandumpLine& out, std::string_view& reason);

// Reads a whole log: empty lines are skipped, every other unreadable line is
// reported, CAN FD frames longer than 8 bytes are counted. The frames get one clock entry per
// recording span.
ReadResult ReadCandump(std::FILE* file, const ReadOptions& options, CRecording& out,
                       const BadLineFn& badLine);

// Writes every frame (and, unless told not to, every event record) of the
// store; false when a write fails.
bool WriteCandump(std::FILE* file, const WriteSource& source, const WriteOptions& options);

}  // namespace korvex::formats
