#include "core/formats/SpanBuilder.h"

namespace korvex::formats {

bool CSpanBuilder::Place(Ticks time, _VCI_CAN_OBJ& frame) {
    if (time < kStampRange && !fromZero) {
        frame.TimeStamp = static_cast<std::uint32_t>(time);
        frame.Reserved[1] = kNoClockIndex;
        frame.TimeFlag = frame.TimeStamp != 0 ? 1 : 0;
        return true;
    }
    const Ticks step = time > lastTime ? time - lastTime : lastTime - time;
    const bool fits =
        !clocks.empty() && time >= spanBase && time - spanBase < kStampRange && step <= kSpanGap;
    if (!fits) {
        if (clocks.size() >= kMaxSpans) return false;
        const std::int64_t second = time / kTicksPerSecond;
        spanBase = second * kTicksPerSecond;
        clocks.push_back(MakeClockEntry(second, utc, 0, bitRateIndex));
    }
    lastTime = time;
    frame.TimeStamp = static_cast<std::uint32_t>(time - spanBase);
    frame.TimeFlag = frame.TimeStamp != 0 ? 1 : 0;
    frame.Reserved[1] = static_cast<std::uint8_t>(clocks.size() - 1);
    return true;
}

}  // namespace korvex::formats
