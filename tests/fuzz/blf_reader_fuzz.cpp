// Feeds arbitrary bytes to the BLF reader as a whole file. Whatever it
// accepts must be sound records; damage must name an offset inside the file;
// writing what was read as BLF and reading that again must give every frame
// back, undamaged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/formats/BlfFormat.h"
#include "core/formats/SpanBuilder.h"

namespace {

using korvex::formats::CRecording;
using korvex::formats::ReadOptions;
using korvex::formats::ReadResult;

ReadResult ReadBytes(const std::uint8_t* data, std::size_t size, CRecording& out) {
    std::FILE* file = size == 0 ? std::fopen("/dev/null", "rb")
                                : fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!file) std::abort();
    ReadOptions options;
    options.utc = true;
    const ReadResult result = korvex::formats::ReadBlf(file, options, out, {});
    std::fclose(file);
    return result;
}

void CheckSound(const CRecording& r) {
    if (r.origTimeList.size() > korvex::formats::CSpanBuilder::kMaxSpans) __builtin_trap();
    for (const _VCI_CAN_OBJ& f : r.frames) {
        if (f.DataLen > 8) __builtin_trap();
        if (f.Reserved[1] != 0xFF && f.Reserved[1] >= r.origTimeList.size()) __builtin_trap();
        if (f.ExternFlag ? f.ID > 0x1FFFFFFF : f.ID > 0x7FF) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CRecording first;
    const ReadResult result = ReadBytes(data, size, first);
    if (result.damageOffset >= static_cast<long long>(size) + 1) __builtin_trap();
    if (result.damageOffset >= 0 && result.damage.empty()) __builtin_trap();
    if (result.frames != static_cast<long long>(first.frames.size())) __builtin_trap();
    CheckSound(first);
    if (result.status != korvex::formats::ReadStatus::kOk) return 0;

    CCycleBuffer<_VCI_CAN_OBJ> store;
    store.Reset(static_cast<int>(first.frames.size()));
    for (const _VCI_CAN_OBJ& f : first.frames) store.Push(f);
    // A real file: the writer goes back to fill in the header.
    std::FILE* out = std::tmpfile();
    if (!out) std::abort();
    korvex::formats::WriteOptions write;
    write.utc = true;
    const std::vector<std::string> noCaptions;
    const korvex::formats::WriteSource source{first.origTimeList, store, noCaptions, {}};
    if (!korvex::formats::WriteBlf(out, source, write)) __builtin_trap();
    std::rewind(out);
    CRecording second;
    ReadOptions again;
    again.utc = true;
    const ReadResult back = korvex::formats::ReadBlf(out, again, second, {});
    std::fclose(out);
    if (back.status != korvex::formats::ReadStatus::kOk || back.damageOffset >= 0 ||
        second.frames.size() != first.frames.size())
        __builtin_trap();
    for (std::size_t i = 0; i < first.frames.size(); ++i) {
        const _VCI_CAN_OBJ& a = first.frames[i];
        const _VCI_CAN_OBJ& b = second.frames[i];
        if (a.ID != b.ID || a.ExternFlag != b.ExternFlag || a.RemoteFlag != b.RemoteFlag ||
            a.DataLen != b.DataLen || a.SendType != b.SendType || a.Reserved[0] != b.Reserved[0] ||
            (!a.RemoteFlag && std::memcmp(a.Data, b.Data, a.DataLen) != 0))
            __builtin_trap();
    }
    return 0;
}
