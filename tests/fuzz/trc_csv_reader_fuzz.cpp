// Feeds arbitrary bytes to the TRC and CSV readers (the first byte picks the
// reader and its options) and to the detection of formats by content.
// Whatever the readers accept must be sound records, and writing it as TRC
// (2.1 or 1.1) and reading that again must give every frame back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/formats/CsvFormat.h"
#include "core/formats/FormatDetect.h"
#include "core/formats/SpanBuilder.h"
#include "core/formats/TrcFormat.h"

namespace {

using korvex::formats::CRecording;
using korvex::formats::ReadOptions;
using korvex::formats::ReadResult;

using Reader = ReadResult (*)(std::FILE*, const ReadOptions&, CRecording&,
                              const korvex::formats::BadLineFn&);

ReadResult ReadBytes(Reader reader, const std::uint8_t* data, std::size_t size,
                     const ReadOptions& options, CRecording& out) {
    std::FILE* file = size == 0 ? std::fopen("/dev/null", "rb")
                                : fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!file) std::abort();
    const korvex::formats::BadLineFn bad = [](long long line, std::string_view reason) {
        if (line <= 0 || reason.empty()) __builtin_trap();
    };
    const ReadResult result = reader(file, options, out, bad);
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
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    korvex::formats::DetectFormatOfBytes(bytes, korvex::formats::DataFormat::kTrc);

    const bool csv = data[0] & 1;
    ReadOptions options;
    options.utc = true;
    options.strict = (data[0] & 2) != 0;
    options.channel = (data[0] >> 2) & 3;
    options.frameWords = {"数据帧", "远程帧", "标准帧", "扩展帧"};
    CRecording first;
    const ReadResult result = ReadBytes(csv ? &korvex::formats::ReadCsv : &korvex::formats::ReadTrc,
                                        data + 1, size - 1, options, first);
    if (result.status != korvex::formats::ReadStatus::kOk) return 0;
    CheckSound(first);

    CCycleBuffer<_VCI_CAN_OBJ> store;
    store.Reset(static_cast<int>(first.frames.size()));
    for (const _VCI_CAN_OBJ& f : first.frames) store.Push(f);
    char* text = nullptr;
    std::size_t length = 0;
    std::FILE* out = open_memstream(&text, &length);
    korvex::formats::WriteOptions write;
    write.utc = true;
    write.trcVersion =
        (data[0] & 16) ? korvex::formats::kTrcVersion11 : korvex::formats::kTrcVersion21;
    const std::vector<std::string> noCaptions;
    const korvex::formats::WriteSource source{first.origTimeList, store, noCaptions, {}};
    if (!korvex::formats::WriteTrc(out, source, write)) __builtin_trap();
    std::fclose(out);

    CRecording second;
    ReadOptions again;
    again.utc = true;
    const ReadResult back =
        ReadBytes(&korvex::formats::ReadTrc, reinterpret_cast<const std::uint8_t*>(text), length,
                  again, second);
    std::free(text);
    if (back.status != korvex::formats::ReadStatus::kOk || back.badLines != 0 ||
        second.frames.size() != first.frames.size())
        __builtin_trap();
    for (std::size_t i = 0; i < first.frames.size(); ++i) {
        const _VCI_CAN_OBJ& a = first.frames[i];
        const _VCI_CAN_OBJ& b = second.frames[i];
        // An event record is written as a state or an error frame, no more.
        if ((a.Reserved[0] != 0) != (b.Reserved[0] != 0)) __builtin_trap();
        if (a.Reserved[0] != 0) continue;
        if (a.ID != b.ID || a.ExternFlag != b.ExternFlag || a.RemoteFlag != b.RemoteFlag ||
            a.DataLen != b.DataLen ||
            (!a.RemoteFlag && std::memcmp(a.Data, b.Data, a.DataLen) != 0))
            __builtin_trap();
    }
    return 0;
}
