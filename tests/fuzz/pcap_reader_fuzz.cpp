// Feeds arbitrary bytes to the pcap/pcapng reader as a whole file. Whatever
// it accepts must be sound records; damage must name an offset inside the
// file; writing what was read as pcapng and reading that again must give
// every frame back on a channel of its own wherever it had one.
#include <cstdint>
#include <cstdio>
#include <map>

#include "core/formats/PcapFormat.h"
#include "tests/fuzz/RecordingChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvex::formats;
    CRecording first;
    std::FILE* file = korvex::fuzz::OpenBytes(data, size);
    ReadOptions options;
    options.utc = true;
    const ReadResult result = ReadPcap(file, options, first, {});
    std::fclose(file);
    if (result.damageOffset > static_cast<long long>(size)) __builtin_trap();
    if (result.damageOffset >= 0 && result.damage.empty()) __builtin_trap();
    if (result.frames != static_cast<long long>(first.frames.size())) __builtin_trap();
    if (first.channels.FrameCount() != result.frames) __builtin_trap();
    korvex::fuzz::CheckSound(first);
    if (result.status != ReadStatus::kOk) return 0;

    const CRecording second = korvex::fuzz::WrittenAndReadBack(first, &WritePcapng, {}, &ReadPcap);
    korvex::fuzz::CheckSameFrames(first, second, {true, true});
    // Channels may be numbered anew, but frames of one channel stay together.
    std::map<int, int> channelOf;
    for (std::size_t i = 0; i < first.frames.size(); ++i) {
        const auto k = static_cast<std::int64_t>(i);
        const auto [at, added] =
            channelOf.try_emplace(first.channels.NumberOf(k), second.channels.NumberOf(k));
        if (!added && at->second != second.channels.NumberOf(k)) __builtin_trap();
    }
    if (channelOf.size() != second.channels.Size() && !first.frames.empty()) __builtin_trap();
    return 0;
}
