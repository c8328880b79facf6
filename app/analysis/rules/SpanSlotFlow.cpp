#include "app/analysis/rules/SpanSlotFlow.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "core/frame/RecordWord.h"

namespace korvex {
namespace {

// Frames in a row that must stay in one slot before they are tested in
// groups: where slots change often, a group test would mostly be wasted.
constexpr int kGroup = 32;

// Whether kGroup frames all have clock index `index` and clock times at most
// `limit`. It leaves at the first that has not, as AllOfIndex does in the
// bus status, for the same reason: a vector loop over records 24 bytes apart
// is slower.
bool AllWithin(const _VCI_CAN_OBJ* frames, std::uint8_t index, std::uint32_t dayTime,
               std::uint32_t dayStamp, std::uint32_t limit) {
    const std::uint32_t shift = dayTime - dayStamp;
    for (int k = 0; k < kGroup; ++k)
        if ((ClockIndexByWord(frames[k]) != index) | (frames[k].TimeStamp + shift > limit))
            return false;
    return true;
}

}  // namespace

void CSpanSlotFlow::Tally::Clear() {
    runs.clear();
    beforeStart = 0;
    reachesStart = false;
    reachingStamp = 0;
    within = INT64_MIN;
    streak = 0;
}

CSpanSlotFlow::CSpanSlotFlow(std::size_t span, std::uint32_t dayTime, std::uint32_t dayStamp,
                             std::int64_t start)
    : span(span), start(start), dayTime(dayTime), dayStamp(dayStamp) {}

bool CSpanSlotFlow::CountOne(const _VCI_CAN_OBJ& frame, Tally& tally) const {
    const std::uint32_t clockTime = ClockTime(frame);
    if (!tally.reachesStart) {
        if (clockTime < start) {
            ++tally.beforeStart;
        } else {
            tally.reachesStart = true;
            tally.reachingStamp = frame.TimeStamp;
        }
    }
    const bool stays = clockTime <= tally.within;
    if (!stays) {
        // The running maximum only grows, so a later slot opens a new run.
        const std::int64_t past = std::int64_t{clockTime} - start;
        const std::int64_t slot = past <= kSlotTicks ? 0 : (past + kSlotTicks - 1) / kSlotTicks - 1;
        tally.runs.push_back({static_cast<std::uint32_t>(slot), frame.TimeStamp, 0});
        tally.within = start + (slot + 1) * kSlotTicks;
    }
    ++tally.runs.back().frames;
    return stays && tally.reachesStart;
}

int CSpanSlotFlow::CountRun(const _VCI_CAN_OBJ* frames, int i, int n, std::uint8_t index,
                            Tally& tally) const {
    while (i < n) {
        if (tally.streak >= kGroup && n - i >= kGroup) {
            const auto limit =
                static_cast<std::uint32_t>(std::min<std::int64_t>(tally.within, UINT32_MAX));
            if (AllWithin(frames + i, index, dayTime, dayStamp, limit)) {
                tally.runs.back().frames += kGroup;
                i += kGroup;
                continue;
            }
            tally.streak = 0;
        }
        if (ClockIndex(frames[i]) != index) break;
        tally.streak = CountOne(frames[i], tally) ? tally.streak + 1 : 0;
        ++i;
    }
    return i;
}

void CSpanSlotFlow::Merge(const Tally& tally) {
    if (tally.runs.empty()) return;
    // The frames of the first slot that the skipping leaves out, and the
    // stamp of the first frame counted there.
    std::int64_t left = 0;
    std::uint32_t firstOfFirst = tally.runs.front().firstStamp;
    if (skipping) {
        if (!tally.reachesStart) return;
        skipping = false;
        left = tally.beforeStart;
        firstOfFirst = tally.reachingStamp;
    }
    for (const SlotRun& run : tally.runs) {
        // Frames before the start have slot 0, which only a first run holds.
        const bool first = run.slot == 0;
        const std::int64_t n = run.frames - (first ? left : 0);
        if (n <= 0) continue;
        const std::uint32_t target = std::max(reached, run.slot);
        if (!runs.empty() && runs.back().slot == target) {
            runs.back().frames += n;
        } else {
            runs.push_back({target, first ? firstOfFirst : run.firstStamp, n});
        }
    }
    reached = std::max(reached, tally.runs.back().slot);
}

StepCounts CSpanSlotFlow::Steps(std::int64_t step) const {
    StepCounts steps;
    const std::int64_t slotsPerStep = std::max<std::int64_t>(step / kSlotTicks, 1);
    for (const SlotRun& run : runs) {
        const std::int64_t s = run.slot / slotsPerStep;
        if (s >= kBusStatusSteps) break;
        const auto at = static_cast<std::size_t>(s);
        steps.frames[at] += run.frames;
        if (steps.stamped[at]) continue;
        steps.firstStamp[at] = run.firstStamp;
        steps.stamped[at] = true;
    }
    return steps;
}

}  // namespace korvex
