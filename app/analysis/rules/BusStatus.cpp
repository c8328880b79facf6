#include "app/analysis/rules/BusStatus.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "core/KorvexGlobal.h"
#include "core/frame/RecordWord.h"

namespace korvex {
namespace {

constexpr std::array<int, 10> kFullLoadFrames = {7000, 5600, 3500, 1750, 875,
                                                 700,  350,  140,  70,   35};

constexpr std::uint32_t kTicksPerSecond = 10000;

std::uint32_t TimeOfDay(const OrigTimeEntry& entry) {
    return (entry.hour * 3600u + entry.minute * 60u + entry.second) * kTicksPerSecond;
}

std::string DateTimeText(const OrigTimeEntry& entry, std::uint32_t clockTime) {
    char text[48];
    std::snprintf(text, sizeof text, "%02d/%02d %02u:%02u:%02u", entry.date[2], entry.date[3],
                  clockTime / 36000000u % 24u, clockTime % 36000000u / 600000u,
                  clockTime % 600000u / kTicksPerSecond);
    return text;
}

// A span's frames within a block or all of them, and the last of them,
// whose clock time is worked out once, at the end.
struct SpanEnd {
    long long frames = 0;
    const _VCI_CAN_OBJ* last = nullptr;
};

// What one block adds to the spans and the flow.
struct BlockSpans {
    std::vector<SpanEnd> spans;
    CSpanSlotFlow::Tally flow;
};

// Frames in a row of one clock index before they are compared in groups:
// where spans alternate, a group compare would mostly be wasted.
constexpr int kIndexGroup = 32;

// Whether kIndexGroup frames all have clock index `index`. The loop leaves at
// the first other index, which keeps the compiler from vectorising it: with
// records 24 bytes apart a vector loop gathers each index on its own and
// measured three times slower than this one.
bool AllOfIndex(const _VCI_CAN_OBJ* frames, std::uint8_t index) {
    for (int k = 0; k < kIndexGroup; ++k)
        if (ClockIndexByWord(frames[k]) != index) return false;
    return true;
}

// The end of the run of frames of clock index `index` that starts at i.
int IndexRunEnd(const _VCI_CAN_OBJ* frames, int i, int n, std::uint8_t index) {
    const int alone = std::min(n, i + kIndexGroup);
    while (i < alone && ClockIndex(frames[i]) == index) ++i;
    if (i < alone) return i;
    while (n - i >= kIndexGroup && AllOfIndex(frames + i, index)) i += kIndexGroup;
    while (i < n && ClockIndex(frames[i]) == index) ++i;
    return i;
}

// One pass over the frames: the frames of each of the first `spanCount`
// spans and the last of them and, with `flow`, the flow of its span.
std::vector<SpanEnd> CountSpans(const CCycleBuffer<_VCI_CAN_OBJ>::CView& frames,
                                std::size_t spanCount, CSpanSlotFlow* flow,
                                const PassSplit& split) {
    std::vector<SpanEnd> ends(spanCount);
    RunSplitPass<BlockSpans>(
        frames.Count(), split,
        [&](std::int64_t begin, std::int64_t end, BlockSpans& tally) {
            tally.spans.assign(spanCount, {});
            tally.flow.Clear();
            frames.ForEachRun(begin, end, [&](std::int64_t, const _VCI_CAN_OBJ* run, int n) {
                // Frames come in long runs of one clock index.
                for (int i = 0; i < n;) {
                    const std::uint8_t index = ClockIndex(run[i]);
                    const int next = flow != nullptr && index == flow->Span()
                                         ? flow->CountRun(run, i, n, index, tally.flow)
                                         : IndexRunEnd(run, i, n, index);
                    if (index < spanCount) {
                        tally.spans[index].frames += next - i;
                        tally.spans[index].last = &run[next - 1];
                    }
                    i = next;
                }
            });
        },
        [&](std::int64_t, std::int64_t, const BlockSpans& tally) {
            for (std::size_t k = 0; k < spanCount; ++k) {
                if (tally.spans[k].frames == 0) continue;
                ends[k].frames += tally.spans[k].frames;
                ends[k].last = tally.spans[k].last;
            }
            if (flow != nullptr) flow->Merge(tally.flow);
            return true;
        });
    return ends;
}

}  // namespace

std::uint32_t FrameClockTime(const _VCI_CAN_OBJ& frame, const std::vector<OrigTimeEntry>& list) {
    const std::uint8_t index = ClockIndex(frame);
    if (index == kNoClockIndex) return 0;
    if (index >= list.size()) return frame.TimeStamp;
    const OrigTimeEntry& entry = list[index];
    return TimeOfDay(entry) + (frame.TimeStamp - entry.timeStamp);
}

int FullLoadFrames(std::uint8_t bitRateIndex) {
    return bitRateIndex < kFullLoadFrames.size() ? kFullLoadFrames[bitRateIndex] : 0;
}

std::string ClockTimeText(std::uint32_t clockTime) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", clockTime / 36000000u % 24u,
                  clockTime % 36000000u / 600000u, clockTime % 600000u / kTicksPerSecond);
    return text;
}

std::string SubIntervalText(std::uint32_t clockTime) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", clockTime / 36000000u,
                  clockTime % 36000000u / 600000u, clockTime % 600000u / kTicksPerSecond);
    return text;
}

bool ParseClockTimeText(const std::string& text, std::int64_t& clockTime) {
    int hh = 0, mm = 0, ss = 0;
    if (std::sscanf(text.c_str(), "%02d:%02d:%02d", &hh, &mm, &ss) != 3) return false;
    if (hh < 0 || mm < 0 || ss < 0) return false;
    clockTime = (hh * 3600LL + mm * 60LL + ss) * kTicksPerSecond;
    return true;
}

void CBusSpans::Distribute(CCycleBuffer<_VCI_CAN_OBJ>& store,
                           const std::vector<OrigTimeEntry>& list, const PassSplit& split,
                           const BusFlowAhead* ahead) {
    entries = list;
    spans.assign(list.size(), {});
    frames = store.View();
    flow.reset();
    std::int64_t start = 0;
    if (ahead != nullptr && ahead->span < entries.size()) {
        if (ahead->start.empty()) {
            start = TimeOfDay(entries[ahead->span]);
        } else if (!ParseClockTimeText(ahead->start, start)) {
            start = -1;  // refused by ComputeBusStatus: nothing to count ahead
        }
        const OrigTimeEntry& entry = entries[ahead->span];
        const std::uint32_t dayStamp = entry.timeStamp;  // packed: taken as a value
        if (start >= 0) flow.emplace(ahead->span, TimeOfDay(entry), dayStamp, start);
    }
    const std::vector<SpanEnd> ends =
        CountSpans(frames, entries.size(), flow ? &*flow : nullptr, split);
    for (std::size_t k = 0; k < spans.size(); ++k) {
        spans[k].frames = ends[k].frames;
        if (ends[k].last != nullptr)
            spans[k].lastClockTime = FrameClockTime(*ends[k].last, entries);
    }
}

const CSpanSlotFlow* CBusSpans::FlowAhead(std::size_t k, std::int64_t start) const {
    return flow && flow->Span() == k && flow->Start() == start ? &*flow : nullptr;
}

std::string CBusSpans::ListText(std::size_t k) const {
    const OrigTimeEntry& entry = entries[k];
    std::string text = DateTimeText(entry, TimeOfDay(entry));
    if (spans[k].frames == 0) return text + "(No Data)";
    text += "--";
    text += DateTimeText(entry, spans[k].lastClockTime);
    text += "(count:" + std::to_string(spans[k].frames) + ")";
    return text;
}

std::uint32_t CBusSpans::Minimum(std::size_t k) const {
    return spans[k].frames == 0 ? 0 : TimeOfDay(entries[k]);
}

std::uint32_t CBusSpans::Maximum(std::size_t k) const {
    return spans[k].frames == 0 ? 0 : spans[k].lastClockTime;
}

BusSubInterval SpanSubInterval(const CBusSpans& spans, std::size_t k) {
    if (spans.FrameCount(k) == 0) return {};
    return {SubIntervalText(spans.Minimum(k)), SubIntervalText(spans.Maximum(k))};
}

FineAdjustState ApplyFineAdjust(bool ticked, bool spanHasFrames) {
    FineAdjustState state;
    if (ticked && !spanHasFrames) {
        state.message = kMsgSpanWithoutData;
        return state;
    }
    state.ticked = ticked;
    state.editsEnabled = ticked;
    return state;
}

BusStatusOutcome ComputeBusStatus(const CBusSpans& spans, std::size_t k, const std::string& start,
                                  const std::string& end, CKorvexGlobal& global,
                                  const PassSplit& split) {
    BusStatusOutcome outcome;
    global.busFlowSamples.Clear();
    global.busLoadSamples.Clear();
    if (k >= spans.Count() || spans.FrameCount(k) == 0) {
        outcome.message = kMsgSpanWithoutData;
        return outcome;
    }
    std::int64_t from = 0;
    std::int64_t to = 0;
    if (!ParseClockTimeText(start, from) || !ParseClockTimeText(end, to) || to > spans.Maximum(k) ||
        from < spans.Minimum(k) || from >= to) {
        outcome.message = kMsgRangeBreaksRules;
        return outcome;
    }
    global.strAnalyStart = start;
    global.strAnalyEnd = end;

    const std::int64_t length = to + kTicksPerSecond - from;
    // Both ends are whole seconds, so a step is a whole number of slots.
    const std::int64_t step = std::max<std::int64_t>(length / kBusStatusSteps, 10);
    outcome.precision = static_cast<int>(step / 10);

    // The flow from this start may have been counted with the spans.
    std::optional<CSpanSlotFlow> counted;
    const CSpanSlotFlow* slots = spans.FlowAhead(k, from);
    if (slots == nullptr) {
        // The entry is packed: its stamp goes over as a value, not bound to a reference.
        const std::uint32_t dayStamp = spans.Entry(k).timeStamp;
        counted.emplace(k, TimeOfDay(spans.Entry(k)), dayStamp, from);
        CountSpans(spans.Frames(), 0, &*counted, split);
        slots = &*counted;
    }
    const StepCounts steps = slots->Steps(step);

    const OrigTimeEntry& entry = spans.Entry(k);
    std::int64_t total = 0;
    for (int s = 0; s < kBusStatusSteps; ++s) {
        const auto at = static_cast<std::size_t>(s);
        const std::int64_t lo = from + s * step;
        // An empty step is placed at its own start, so the curve keeps its spacing.
        const _tagBusFlowRecord record{
            static_cast<std::int32_t>(steps.frames[at]), 0, 0, static_cast<std::int32_t>(k),
            steps.stamped[at]
                ? steps.firstStamp[at]
                : entry.timeStamp + static_cast<std::uint32_t>(lo - spans.Minimum(k))};
        outcome.largest = std::max(outcome.largest, record.frameCount);
        total += record.frameCount;
        global.busFlowSamples.GrowIfFull();
        global.busFlowSamples.Push(record);
    }
    outcome.computed = true;
    if (outcome.largest == 0) {
        outcome.message = kMsgSpanWithoutData;
        outcome.flowYMax = 1;
    } else {
        outcome.flowYMax = (outcome.largest + 9) / 10 * 10;
    }
    outcome.averageFlow = static_cast<int>(total * 1000 / (length / 10));

    const int full = FullLoadFrames(entry.bitRateIndex);
    outcome.loadKnown = full != 0;
    if (!outcome.loadKnown) return outcome;
    _tagBusFlowRecord flowRecord{};
    for (int s = 0; global.busFlowSamples.Get(s, &flowRecord); ++s) {
        const auto percent =
            std::min<std::int64_t>(std::int64_t{flowRecord.frameCount} * 100 / full, 100);
        const _tagBusLoadRecord load{static_cast<std::int32_t>(percent), flowRecord.startTimeStamp};
        global.busLoadSamples.GrowIfFull();
        global.busLoadSamples.Push(load);
    }
    outcome.averageLoad = static_cast<int>(std::int64_t{outcome.averageFlow} * 100 / full);
    return outcome;
}

std::string LoadText(bool known, int percent) {
    return known ? std::to_string(percent) + "%" : "-";
}

}  // namespace korvex
