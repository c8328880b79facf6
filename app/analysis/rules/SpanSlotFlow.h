#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/frame/CanObj.h"

namespace korvex {

// Steps of the flow and load curves.
inline constexpr int kBusStatusSteps = 20;

// The frames and the time stamp of the first frame of each step.
struct StepCounts {
    std::array<std::int64_t, kBusStatusSteps> frames{};
    std::array<std::uint32_t, kBusStatusSteps> firstStamp{};
    std::array<bool, kBusStatusSteps> stamped{};
};

// The flow of one recording span from a start time, counted by slots of
// 50 ms: a sub-interval of whole seconds that begins there has steps of a
// whole number of slots, so its steps are made from the slots whatever its
// end, and the counting can share the pass that finds the spans' ends.
//
// The span's frames are read in order: those before the start are skipped
// until the first that is not; then each is counted in the latest slot
// reached so far or its own, whichever is later. Slot j >= 1 holds the clock
// times (start + 500·j, start + 500·(j+1)] in 0.1 ms, slot 0 all up to
// start + 500. The slot a frame goes to is the running maximum of the frames'
// own slots, so a block of frames is counted without knowing where the pass
// stood when the block began, and merged later in order.
class CSpanSlotFlow {
  public:
    static constexpr std::int64_t kSlotTicks = 500;

    // A run of frames counted in one slot, the first of them stamped so.
    struct SlotRun {
        std::uint32_t slot;
        std::uint32_t firstStamp;
        std::int64_t frames;
    };
    // What one block of frames adds; Count fills it, Merge takes it.
    struct Tally {
        std::vector<SlotRun> runs;     // by running maximum, slots rising
        std::int64_t beforeStart = 0;  // frames before the first that reaches the start
        bool reachesStart = false;
        std::uint32_t reachingStamp = 0;  // that frame's time stamp
        std::int64_t within = INT64_MIN;  // clock times up to this stay in the last run's slot
        int streak = 0;                   // frames in a row that stayed there

        void Clear();
    };

    // The flow of span `span` from the clock time `start`; a frame's clock
    // time is dayTime + (its time stamp − dayStamp), all in 0.1 ms, dayTime
    // and dayStamp being those of the span's clock reference.
    CSpanSlotFlow(std::size_t span, std::uint32_t dayTime, std::uint32_t dayStamp,
                  std::int64_t start);

    std::size_t Span() const { return span; }
    std::int64_t Start() const { return start; }

    // Counts the frames from frames[i] on, up to frames[n], while their
    // clock index is `index` (the span's); they follow those counted into
    // `tally` before. Returns where that run ends.
    int CountRun(const _VCI_CAN_OBJ* frames, int i, int n, std::uint8_t index, Tally& tally) const;
    // Takes a block's tally, blocks in frame order.
    void Merge(const Tally& tally);
    // The counts of steps of `step` (a whole number of slots) from the start;
    // frames past the last step are left out.
    StepCounts Steps(std::int64_t step) const;

  private:
    // Counts one frame; true when it stayed in the last run's slot after the
    // start was reached.
    bool CountOne(const _VCI_CAN_OBJ& frame, Tally& tally) const;
    std::uint32_t ClockTime(const _VCI_CAN_OBJ& frame) const {
        return dayTime + (frame.TimeStamp - dayStamp);
    }

    std::size_t span;
    std::int64_t start;
    std::uint32_t dayTime;   // the clock time of the span's reference
    std::uint32_t dayStamp;  // its time stamp
    bool skipping = true;
    std::uint32_t reached = 0;  // the running maximum of the slots merged so far
    std::vector<SlotRun> runs;  // merged so far
};

}  // namespace korvex
