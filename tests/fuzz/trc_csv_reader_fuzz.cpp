// Feeds arbitrary bytes to the TRC and CSV readers (the first byte picks the
// reader and its options) and to the detection of formats by content.
// Whatever the readers accept must be sound records, and writing it as TRC
// (2.1 or 1.1) and reading that again must give every frame back.
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "core/formats/CsvFormat.h"
#include "core/formats/FormatDetect.h"
#include "core/formats/TrcFormat.h"
#include "tests/fuzz/RecordingChecks.h"

namespace {

using korvex::formats::CRecording;
using korvex::formats::ReadOptions;
using korvex::formats::ReadResult;

using Reader = ReadResult (*)(std::FILE*, const ReadOptions&, CRecording&,
                              const korvex::formats::BadLineFn&);

ReadResult ReadBytes(Reader reader, const std::uint8_t* data, std::size_t size,
                     const ReadOptions& options, CRecording& out) {
    std::FILE* file = korvex::fuzz::OpenBytes(data, size);
    const korvex::formats::BadLineFn bad = [](long long line, std::string_view reason) {
        if (line <= 0 || reason.empty()) __builtin_trap();
    };
    const ReadResult result = reader(file, options, out, bad);
    std::fclose(file);
    return result;
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
    korvex::fuzz::CheckSound(first);

    korvex::formats::WriteOptions write;
    write.trcVersion =
        (data[0] & 16) ? korvex::formats::kTrcVersion11 : korvex::formats::kTrcVersion21;
    const CRecording second = korvex::fuzz::WrittenAndReadBack(first, &korvex::formats::WriteTrc,
                                                               write, &korvex::formats::ReadTrc);
    // An event record is written as a controller state or an error frame.
    korvex::fuzz::CheckSameFrames(first, second, {false, true});
    return 0;
}
