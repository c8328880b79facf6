#include "core/transport/TransportPass.h"

#include <algorithm>

namespace korvex::transport {
namespace {

// What the cores pick from one block.
struct Picked {
    struct Item {
        std::int64_t index;
        bool spanStart;              // the first frame of a new span
        std::uint32_t previousTime;  // for a span start: the last frame's time before it
        _VCI_CAN_OBJ frame;
    };
    std::vector<Item> items;
    std::uint8_t firstClock = 0;
    std::uint8_t lastClock = 0;
    std::uint32_t lastTime = 0;
};

}  // namespace

bool ReadTransport(const FrameView& frames, const CIsoTpPairs& pairs, const PassSplit& split,
                   TransportReading& out) {
    CTransportAssembler assembler(pairs);
    // The cores pick frames with an assembler of their own, which they only
    // ask: the merge changes the other one meanwhile.
    const CTransportAssembler picker(pairs);
    bool started = false;
    std::uint8_t clock = 0;
    std::uint32_t time = 0;
    const bool done = RunSplitPass<Picked>(
        frames.Count(), split,
        [&](std::int64_t begin, std::int64_t end, Picked& picked) {
            picked.items.clear();
            picked.firstClock = ClockIndex(frames[begin]);
            std::uint8_t blockClock = picked.firstClock;
            std::uint32_t blockTime = frames[begin].TimeStamp;
            frames.ForEachRun(begin, end, [&](std::int64_t first, const _VCI_CAN_OBJ* run, int n) {
                for (int k = 0; k < n; ++k) {
                    const _VCI_CAN_OBJ& f = run[k];
                    const bool spanStart = ClockIndex(f) != blockClock;
                    if (spanStart || picker.Wants(f))
                        picked.items.push_back({first + k, spanStart, blockTime, f});
                    blockClock = ClockIndex(f);
                    blockTime = f.TimeStamp;
                }
            });
            picked.lastClock = blockClock;
            picked.lastTime = blockTime;
        },
        [&](std::int64_t, std::int64_t, Picked& picked) {
            if (started && picked.firstClock != clock) assembler.SpanEnded(time);
            for (const Picked::Item& item : picked.items) {
                if (item.spanStart) assembler.SpanEnded(item.previousTime);
                assembler.Frame(item.index, item.frame);
            }
            started = true;
            clock = picked.lastClock;
            time = picked.lastTime;
            return true;
        });
    if (!done) return false;
    if (started) assembler.SpanEnded(time);
    out.messages = std::move(assembler.Messages());
    out.dm1Reports = std::move(assembler.Dm1Reports());
    std::sort(
        out.messages.begin(), out.messages.end(),
        [](const TransportMessage& a, const TransportMessage& b) { return a.first < b.first; });
    return true;
}

}  // namespace korvex::transport
