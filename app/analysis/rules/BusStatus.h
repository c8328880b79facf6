#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/analysis/rules/SpanSlotFlow.h"
#include "core/SplitPass.h"
#include "core/frame/CanObj.h"
#include "core/frame/CycleBuffer.h"
#include "core/frame/OrigTimeEntry.h"

class CKorvexGlobal;

namespace korvex {

// Messages of the bus status.
inline constexpr std::uint32_t kMsgSpanWithoutData = 119;   // "该段区间没有数据"
inline constexpr std::uint32_t kMsgRangeBreaksRules = 120;  // "设置范围不符合规则"

// Clock time of a frame in 0.1 ms since midnight of its clock reference, not
// wrapped at 24 hours: 0 without a clock index, the bare time stamp when the
// index lies beyond the list.
std::uint32_t FrameClockTime(const _VCI_CAN_OBJ& frame, const std::vector<OrigTimeEntry>& list);

// Frames per second at full load for bit-rate index b (a frame taken as
// 1000/7 bit times); 0 for an index without a known bit rate.
int FullLoadFrames(std::uint8_t bitRateIndex);

// "hh:mm:ss" of a clock time, hours wrapped at 24.
std::string ClockTimeText(std::uint32_t clockTime);
// "hh:mm:ss" of a clock time for the sub-interval edits: hours run on past
// 24, so a span that crosses midnight reads back as the same clock time.
std::string SubIntervalText(std::uint32_t clockTime);
// Reads "hh:mm:ss" as a clock time; false when it is not three numbers or
// one is negative.
bool ParseClockTimeText(const std::string& text, std::int64_t& clockTime);

// What a distribution into spans may count besides: the flow of `span` from
// the start of a sub-interval, "hh:mm:ss" (empty: the span's own start).
struct BusFlowAhead {
    std::size_t span = 0;
    std::string start;
};

// The frames of the data set distributed into recording spans, one per clock
// reference; a frame goes to the span its clock index names. The spans keep a
// view of the frames as they were distributed, and per span only its count
// and the clock time of its last frame; the distribution is a pass split over
// the cores. With `ahead`, the same pass counts that span's flow, so that
// ComputeBusStatus of a sub-interval from that start reads no frame again.
class CBusSpans {
  public:
    void Distribute(CCycleBuffer<_VCI_CAN_OBJ>& store, const std::vector<OrigTimeEntry>& list,
                    const PassSplit& split = {}, const BusFlowAhead* ahead = nullptr);

    std::size_t Count() const { return spans.size(); }
    long long FrameCount(std::size_t k) const { return spans[k].frames; }
    const OrigTimeEntry& Entry(std::size_t k) const { return entries[k]; }
    const std::vector<OrigTimeEntry>& Entries() const { return entries; }
    const CCycleBuffer<_VCI_CAN_OBJ>::CView& Frames() const { return frames; }
    // The entry text of span k in the span list.
    std::string ListText(std::size_t k) const;
    // Start of the span: the time of day of its clock reference.
    std::uint32_t Minimum(std::size_t k) const;
    // Clock time of the span's last frame.
    std::uint32_t Maximum(std::size_t k) const;
    // The flow of span k from clock time `start` counted while distributing;
    // null when it was not.
    const CSpanSlotFlow* FlowAhead(std::size_t k, std::int64_t start) const;

  private:
    struct Span {
        long long frames = 0;
        std::uint32_t lastClockTime = 0;
    };
    std::vector<OrigTimeEntry> entries;
    std::vector<Span> spans;
    CCycleBuffer<_VCI_CAN_OBJ>::CView frames;
    std::optional<CSpanSlotFlow> flow;
};

// The sub-interval edits as a span's selection fills them; empty for a span
// without frames.
struct BusSubInterval {
    std::string start;
    std::string end;
};
BusSubInterval SpanSubInterval(const CBusSpans& spans, std::size_t k);

// The fine-adjust check box: ticking it on a span without frames is refused
// with message 119 and unticks it; the edits are enabled while it is ticked.
struct FineAdjustState {
    bool ticked = false;
    bool editsEnabled = false;
    std::uint32_t message = 0;
};
FineAdjustState ApplyFineAdjust(bool ticked, bool spanHasFrames);

// The outcome of one flow and load computation.
struct BusStatusOutcome {
    std::uint32_t message = 0;  // 0, kMsgSpanWithoutData or kMsgRangeBreaksRules
    bool computed = false;      // the flow and load records were made
    int precision = 0;          // ms per step, also the curves' step time
    int largest = 0;            // largest step count
    int flowYMax = 0;           // the flow curve's Y range is 0 ... flowYMax
    int averageFlow = 0;        // frames per second
    bool loadKnown = false;     // the span's bit rate has a full-load figure
    int averageLoad = 0;        // percent, not capped
};

// Flow and load of span k over the sub-interval start ... end ("hh:mm:ss",
// the end second included) into the global flow and load buffers; an
// accepted sub-interval becomes the last one kept in the global state. A
// span of unknown bit rate gets its flow but no load records. The span's
// frames are counted in a pass split over the cores, with the result of one
// pass in frame order.
BusStatusOutcome ComputeBusStatus(const CBusSpans& spans, std::size_t k, const std::string& start,
                                  const std::string& end, CKorvexGlobal& global,
                                  const PassSplit& split = {});

// The load text: "%d%%", or "-" when the load is unknown.
std::string LoadText(bool known, int percent);

}  // namespace korvex
