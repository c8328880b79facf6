#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "core/frame/CanObj.h"
#include "core/frame/OrigTimeEntry.h"

namespace korvex::formats {

// Frames read from another tool's log, with the clock references they point to.
struct CRecording {
    std::vector<OrigTimeEntry> origTimeList;
    std::vector<_VCI_CAN_OBJ> frames;
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
};

struct ReadResult {
    ReadStatus status = ReadStatus::kOk;
    long long frames = 0;    // frames handed over
    long long badLines = 0;  // lines reported and skipped
    long long line = 0;      // the line where a strict read stopped or spans ran out
};

// Told of every line that cannot be read: its number (from 1) and why.
using BadLineFn = std::function<void(long long lineNumber, std::string_view reason)>;

}  // namespace korvex::formats
