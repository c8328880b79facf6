#include "app/analysis/rules/BusStatus.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include "core/KorvexGlobal.h"

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
                           const std::vector<OrigTimeEntry>& list, const PassSplit& split) {
    entries = list;
    spans.assign(list.size(), {});
    frames = store.View();
    // Per block and span: its frames there and the last of them, whose clock
    // time is worked out once, at the merge.
    struct BlockSpan {
        long long frames = 0;
        const _VCI_CAN_OBJ* last = nullptr;
    };
    RunSplitPass<std::vector<BlockSpan>>(
        frames.Count(), split,
        [&](std::int64_t begin, std::int64_t end, std::vector<BlockSpan>& tally) {
            tally.assign(entries.size(), {});
            frames.ForEachRun(begin, end, [&](std::int64_t, const _VCI_CAN_OBJ* run, int n) {
                // Frames come in long runs of one clock index.
                for (int i = 0; i < n;) {
                    const std::uint8_t index = ClockIndex(run[i]);
                    int next = i + 1;
                    while (next < n && ClockIndex(run[next]) == index) ++next;
                    if (index < tally.size()) {
                        tally[index].frames += next - i;
                        tally[index].last = &run[next - 1];
                    }
                    i = next;
                }
            });
        },
        [&](std::int64_t, std::int64_t, const std::vector<BlockSpan>& tally) {
            for (std::size_t k = 0; k < spans.size(); ++k) {
                if (tally[k].frames == 0) continue;
                spans[k].frames += tally[k].frames;
                spans[k].lastClockTime = FrameClockTime(*tally[k].last, entries);
            }
            return true;
        });
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

namespace {

// The steps of a sub-interval: frames are counted in the step whose end is
// the first not before their clock time; a frame past the last step ends the
// counting.
struct BusSteps {
    std::int64_t from = 0;
    std::int64_t step = 0;

    // The step of a clock time, kBusStatusSteps for one past the last.
    int Of(std::int64_t clockTime) const {
        const std::int64_t past = std::int64_t{clockTime} - from;
        if (past <= step) return 0;
        return static_cast<int>(
            std::min<std::int64_t>((past + step - 1) / step - 1, kBusStatusSteps));
    }
    // The latest clock time whose step is `s` or before.
    std::int64_t LastOf(int s) const {
        return s >= kBusStatusSteps ? INT64_MAX : from + (s + 1) * step;
    }
};

// A span's frames are read in order: those before the start of the
// sub-interval are skipped until the first that is not; then each is counted
// in the latest step reached so far or its own, whichever is later. So the
// step a frame goes to is the running maximum of the frames' own steps, and
// a block of frames can be counted without knowing where the pass stood when
// the block began: by that maximum within the block, merged later.
struct StepTally {
    std::array<std::int64_t, kBusStatusSteps + 1> frames{};  // by running maximum
    std::array<std::uint32_t, kBusStatusSteps + 1> firstStamp{};
    int highest = -1;              // the running maximum at the block's end; -1: no frame
    std::int64_t beforeStart = 0;  // frames before the first that reaches the start
    bool reachesStart = false;
    std::uint32_t reachingStamp = 0;  // that frame's time stamp
};

// The flow of the steps as the frames are merged block by block.
struct StepFlow {
    bool skipping = true;
    int reached = 0;
    std::array<std::int64_t, kBusStatusSteps> frames{};
    std::array<std::uint32_t, kBusStatusSteps> firstStamp{};
    std::array<bool, kBusStatusSteps> stamped{};

    void Merge(const StepTally& tally) {
        if (tally.highest < 0) return;
        std::int64_t left = 0;  // frames of the first bucket that the skipping leaves out
        std::uint32_t firstOfFirst = tally.firstStamp[0];
        if (skipping) {
            if (!tally.reachesStart) return;
            skipping = false;
            left = tally.beforeStart;
            firstOfFirst = tally.reachingStamp;
        }
        for (int b = 0; b <= kBusStatusSteps; ++b) {
            const std::int64_t n = tally.frames[static_cast<std::size_t>(b)] - (b == 0 ? left : 0);
            const int target = std::max(reached, b);
            if (n <= 0 || target >= kBusStatusSteps) continue;
            const auto t = static_cast<std::size_t>(target);
            frames[t] += n;
            if (stamped[t]) continue;
            firstStamp[t] = b == 0 ? firstOfFirst : tally.firstStamp[static_cast<std::size_t>(b)];
            stamped[t] = true;
        }
        reached = std::max(reached, tally.highest);
    }
};

}  // namespace

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
    const BusSteps steps{from, std::max<std::int64_t>(length / kBusStatusSteps, 10)};
    outcome.precision = static_cast<int>(steps.step / 10);

    const CCycleBuffer<_VCI_CAN_OBJ>::CView& frames = spans.Frames();
    // The clock time of a frame of span k, as FrameClockTime makes it.
    const std::uint32_t dayTime = TimeOfDay(spans.Entry(k));
    const std::uint32_t dayStamp = spans.Entry(k).timeStamp;
    StepFlow flow;
    RunSplitPass<StepTally>(
        frames.Count(), split,
        [&](std::int64_t begin, std::int64_t stop, StepTally& tally) {
            tally = {};
            // The running maximum only grows, so a block fills each step at
            // most once, from the frame that reaches it; frames up to
            // `withinHighest` stay in the current one and need no division.
            int highest = -1;
            std::int64_t withinHighest = INT64_MIN;
            std::int64_t inHighest = 0;
            frames.ForEachRun(begin, stop, [&](std::int64_t, const _VCI_CAN_OBJ* run, int n) {
                for (int i = 0; i < n; ++i) {
                    if (ClockIndex(run[i]) != k) continue;
                    const std::uint32_t clockTime = dayTime + (run[i].TimeStamp - dayStamp);
                    if (!tally.reachesStart) {
                        if (clockTime < from) {
                            ++tally.beforeStart;
                        } else {
                            tally.reachesStart = true;
                            tally.reachingStamp = run[i].TimeStamp;
                        }
                    }
                    if (clockTime > withinHighest) {
                        if (highest >= 0)
                            tally.frames[static_cast<std::size_t>(highest)] = inHighest;
                        highest = std::max(highest, steps.Of(clockTime));
                        withinHighest = steps.LastOf(highest);
                        inHighest = 0;
                        tally.firstStamp[static_cast<std::size_t>(highest)] = run[i].TimeStamp;
                    }
                    ++inHighest;
                }
            });
            if (highest >= 0) tally.frames[static_cast<std::size_t>(highest)] = inHighest;
            tally.highest = highest;
        },
        [&](std::int64_t, std::int64_t, StepTally& tally) {
            flow.Merge(tally);
            return true;
        });

    const OrigTimeEntry& entry = spans.Entry(k);
    std::int64_t total = 0;
    for (int s = 0; s < kBusStatusSteps; ++s) {
        const auto at = static_cast<std::size_t>(s);
        const std::int64_t lo = from + s * steps.step;
        // An empty step is placed at its own start, so the curve keeps its spacing.
        const _tagBusFlowRecord record{
            static_cast<std::int32_t>(flow.frames[at]), 0, 0, static_cast<std::int32_t>(k),
            flow.stamped[at] ? flow.firstStamp[at]
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
