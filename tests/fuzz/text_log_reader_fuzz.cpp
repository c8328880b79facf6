// Feeds arbitrary bytes to the candump and ASC readers (the first byte picks
// the reader and its options). Whatever they accept must be sound records,
// and writing it as candump and reading that again must give every frame back.
#include <cstdint>
#include <cstdio>

#include "core/FrameRowText.h"
#include "core/formats/AscFormat.h"
#include "core/formats/CandumpFormat.h"
#include "tests/fuzz/RecordingChecks.h"

namespace {

using korvex::formats::CRecording;
using korvex::formats::ReadOptions;
using korvex::formats::ReadResult;

ReadResult ReadBytes(bool asc, const std::uint8_t* data, std::size_t size,
                     const ReadOptions& options, CRecording& out) {
    std::FILE* file = korvex::fuzz::OpenBytes(data, size);
    const korvex::formats::BadLineFn bad = [](long long line, std::string_view reason) {
        if (line <= 0 || reason.empty()) __builtin_trap();
    };
    const ReadResult result = asc ? korvex::formats::ReadAsc(file, options, out, bad)
                                  : korvex::formats::ReadCandump(file, options, out, bad);
    std::fclose(file);
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool asc = data[0] & 1;
    ReadOptions options;
    options.utc = true;
    options.strict = (data[0] & 2) != 0;
    options.channel = (data[0] >> 2) & 3;
    CRecording first;
    const ReadResult result = ReadBytes(asc, data + 1, size - 1, options, first);
    if (result.status != korvex::formats::ReadStatus::kOk) return 0;
    korvex::fuzz::CheckSound(first);

    const CRecording second = korvex::fuzz::WrittenAndReadBack(
        first, &korvex::formats::WriteCandump, {}, &korvex::formats::ReadCandump);
    korvex::fuzz::CheckSameFrames(first, second, {true, false});
    return 0;
}
