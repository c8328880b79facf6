#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <cstring>
#include <string>
#include <vector>

#include "core/formats/FormatOptions.h"
#include "core/formats/Recording.h"
#include "core/formats/SpanBuilder.h"
#include "core/formats/WriteSource.h"

// What the fuzz targets of the log readers share: bytes as a file, the
// soundness every record read must have, and the round trip through a writer.
namespace korvex::fuzz {

// The bytes as a file to read; an empty input as an empty file.
inline std::FILE* OpenBytes(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = size == 0 ? std::fopen("/dev/null", "rb")
                                : fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!file) std::abort();
    return file;
}

// At most as many spans as clock indices, every clock index within the list,
// at most 8 data bytes, identifiers within their format.
inline void CheckSound(const formats::CRecording& r) {
    if (r.origTimeList.size() > formats::CSpanBuilder::kMaxSpans) __builtin_trap();
    for (const _VCI_CAN_OBJ& f : r.frames) {
        if (f.DataLen > 8) __builtin_trap();
        if (f.Reserved[1] != 0xFF && f.Reserved[1] >= r.origTimeList.size()) __builtin_trap();
        if (f.ExternFlag ? f.ID > 0x1FFFFFFF : f.ID > 0x7FF) __builtin_trap();
    }
}

using Writer = bool (*)(std::FILE*, const formats::WriteSource&, const formats::WriteOptions&);
using Reader = formats::ReadResult (*)(std::FILE*, const formats::ReadOptions&,
                                       formats::CRecording&, const formats::BadLineFn&);

// `r` written with `writer` into a temporary file (writers may go back to a
// header) and read again with `reader`, UTC both ways; traps unless the read
// is whole and reports nothing.
inline formats::CRecording WrittenAndReadBack(const formats::CRecording& r, Writer writer,
                                              formats::WriteOptions write, Reader reader) {
    CCycleBuffer<_VCI_CAN_OBJ> store;
    store.Reset(static_cast<int>(r.frames.size()));
    for (const _VCI_CAN_OBJ& f : r.frames) store.Push(f);
    std::FILE* file = std::tmpfile();
    if (!file) std::abort();
    write.utc = true;
    const std::vector<std::string> noCaptions;
    const formats::WriteSource source{r.origTimeList, store, noCaptions, {}, &r.channels};
    if (!writer(file, source, write)) __builtin_trap();
    std::rewind(file);
    formats::CRecording back;
    formats::ReadOptions read;
    read.utc = true;
    const formats::BadLineFn bad = [](long long, std::string_view) { __builtin_trap(); };
    const formats::ReadResult result = reader(file, read, back, bad);
    std::fclose(file);
    if (result.status != formats::ReadStatus::kOk || result.damageOffset >= 0 ||
        back.frames.size() != r.frames.size())
        __builtin_trap();
    return back;
}

// What a round trip keeps of event records and directions.
struct Kept {
    bool eventCodes;  // the event code, or only that a record is an event
    bool direction;
};

// Traps unless `b` holds the frames of `a`: identifier, format, length and
// data of each frame; each event record as `kept` says.
inline void CheckSameFrames(const formats::CRecording& a, const formats::CRecording& b, Kept kept) {
    for (std::size_t i = 0; i < a.frames.size(); ++i) {
        const _VCI_CAN_OBJ& x = a.frames[i];
        const _VCI_CAN_OBJ& y = b.frames[i];
        if ((x.Reserved[0] != 0) != (y.Reserved[0] != 0)) __builtin_trap();
        if (x.Reserved[0] != 0) {
            if (kept.eventCodes && x.Reserved[0] != y.Reserved[0]) __builtin_trap();
            continue;
        }
        if (x.ID != y.ID || x.ExternFlag != y.ExternFlag || x.RemoteFlag != y.RemoteFlag ||
            x.DataLen != y.DataLen || (kept.direction && x.SendType != y.SendType) ||
            (!x.RemoteFlag && std::memcmp(x.Data, y.Data, x.DataLen) != 0))
            __builtin_trap();
    }
}

}  // namespace korvex::fuzz
