#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/formats/FrameChannels.h"
#include "core/formats/HugePageAllocator.h"
#include "core/frame/CanObj.h"
#include "core/frame/OrigTimeEntry.h"

namespace korvex::formats {

// The frames of a recording read whole before it is handed over.
using FrameArray = std::vector<_VCI_CAN_OBJ, CHugePageAllocator<_VCI_CAN_OBJ>>;

// Frames read from another tool's log, with the clock references they point to.
struct CRecording {
    std::vector<OrigTimeEntry> origTimeList;
    FrameArray frames;
    // Each frame's channel, for the logs that name one (none for the others).
    CFrameChannels channels;
};

enum class ReadStatus {
    kOk,
    kCannotOpen,     // the file could not be opened for reading
    kNotDataFile,    // .can: shorter than the signature block, or another signature
    kDamaged,        // .can: the clock list does not fit, or too many frames
    kNoFrames,       // every line of the file was unreadable
    kStrictStop,     // an unreadable line ended the read (strict reading)
    kTooManySpans,   // more recording spans than clock indices
    kTooManyFrames,  // more frames than a frame store holds
    kReadError,      // the file could not be read to its end
    kUnknownFormat,  // no format read here fits the file's contents
    kDamagedAt,      // a binary log is damaged where nothing (or, strict, anything) was read
    kNoSuchChannel,  // the channel asked for is not among the file's
    kNotImported,    // asked which of the file's channels to import, the user chose none
    kNotCanCapture,  // a packet capture of another link type (named in `damage`)
};

struct ReadResult {
    ReadStatus status = ReadStatus::kOk;
    long long frames = 0;        // frames handed over
    long long badLines = 0;      // lines reported and skipped
    long long line = 0;          // the line where a strict read stopped or spans ran out
    long long longFdFrames = 0;  // CAN FD frames longer than 8 bytes, skipped
    // Where damage ended the read of a binary log (a byte offset in the file,
    // -1 for none) and what was found there; the frames before it are kept.
    long long damageOffset = -1;
    std::string damage;
    // The channels of a file of several when they were merged into one frame
    // list, or when the one asked for (`channel`) is not among them.
    std::vector<ChannelCount> channels;
    int channel = 0;
};

// A read that ended before anything was read.
inline ReadResult Refused(ReadStatus status) {
    ReadResult result;
    result.status = status;
    return result;
}

// Told of every line that cannot be read: its number (from 1) and why.
using BadLineFn = std::function<void(long long lineNumber, std::string_view reason)>;

}  // namespace korvex::formats
