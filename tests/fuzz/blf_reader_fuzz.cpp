// Feeds arbitrary bytes to the BLF reader as a whole file. Whatever it
// accepts must be sound records; damage must name an offset inside the file;
// writing what was read as BLF and reading that again must give every frame
// back, undamaged.
#include <cstdint>
#include <cstdio>

#include "core/formats/BlfFormat.h"
#include "tests/fuzz/RecordingChecks.h"

namespace {

using korvex::formats::CRecording;
using korvex::formats::ReadOptions;
using korvex::formats::ReadResult;

ReadResult ReadBytes(const std::uint8_t* data, std::size_t size, CRecording& out) {
    std::FILE* file = korvex::fuzz::OpenBytes(data, size);
    ReadOptions options;
    options.utc = true;
    const ReadResult result = korvex::formats::ReadBlf(file, options, out, {});
    std::fclose(file);
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CRecording first;
    const ReadResult result = ReadBytes(data, size, first);
    if (result.damageOffset >= static_cast<long long>(size) + 1) __builtin_trap();
    if (result.damageOffset >= 0 && result.damage.empty()) __builtin_trap();
    if (result.frames != static_cast<long long>(first.frames.size())) __builtin_trap();
    korvex::fuzz::CheckSound(first);
    if (result.status != korvex::formats::ReadStatus::kOk) return 0;

    const CRecording second = korvex::fuzz::WrittenAndReadBack(first, &korvex::formats::WriteBlf,
                                                               {}, &korvex::formats::ReadBlf);
    korvex::fuzz::CheckSameFrames(first, second, {true, true});
    return 0;
}
