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

    // Empty, as a reader starts.
    void Clear() {
        origTimeList.clear();
        frames.clear();
        channels = {};
    }
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
    kHoldsNoFrames,  // nothing in the file, or nothing in it that is a frame
    kNoSuchChannel,  // the channel asked for is not among the file's
    kNotImported,    // asked which of the file's channels to import, the user chose none
    kNotCanCapture,  // a packet capture of another link type (named in `damage`)
};

// What a read took other than as a plain frame, or left out, by reason
// (besides the long CAN FD frames counted on their own).
struct ReadTally {
    long long shortFdFrames = 0;  // CAN FD frames of up to 8 bytes, read as classic frames
    long long txRequests = 0;     // transmit requests, read as transmitted frames
    long long unfitIds = 0;       // identifiers that fit no frame type, skipped
    long long otherObjects = 0;   // objects or lines of kinds that are not frames, skipped
    long long badObjects = 0;     // frame objects too short or of an unknown header, skipped
};

struct ReadResult {
    ReadStatus status = ReadStatus::kOk;
    long long frames = 0;        // frames handed over
    long long badLines = 0;      // lines reported and skipped
    long long line = 0;          // the line where a strict read stopped or spans ran out
    long long longFdFrames = 0;  // CAN FD frames longer than 8 bytes, skipped
    ReadTally tally;             // the rest of what was not read as a plain frame
    // The first damage in a binary log (a byte offset in the file, -1 for
    // none) and what was found there. A strict read ends there; otherwise the
    // damaged parts are skipped and counted, the offsets of the first few kept.
    long long damageOffset = -1;
    std::string damage;
    long long damagedParts = 0;
    std::vector<long long> damagedOffsets;
    // The channels of a file of several when they were merged into one frame
    // list, or when the one asked for (`channel`) is not among them.
    std::vector<ChannelCount> channels;
    int channel = 0;
    // The system's error (an errno value) of a failed open or read, taken
    // when it failed: the reason told later is that call's.
    int error = 0;
};

// At most this many offsets of damaged parts are named.
inline constexpr std::size_t kNamedDamageOffsets = 8;

// A read that ended before anything was read.
inline ReadResult Refused(ReadStatus status) {
    ReadResult result;
    result.status = status;
    return result;
}

// A read refused because the file could not be opened, for the reason
// `error`.
inline ReadResult CannotOpen(int error) {
    ReadResult result = Refused(ReadStatus::kCannotOpen);
    result.error = error;
    return result;
}

// Told of every line that cannot be read: its number (from 1) and why.
using BadLineFn = std::function<void(long long lineNumber, std::string_view reason)>;

}  // namespace korvex::formats
