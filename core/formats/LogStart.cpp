#include "core/formats/LogStart.h"

namespace korvex::formats {

Ticks LogStartTime(const WriteSource& source, const CFrameClock& clock, bool withEvents) {
    std::optional<Ticks> earliest;
    const int count = source.frameStore.GetCount();
    _VCI_CAN_OBJ frame;
    for (int i = 0; i < count && source.frameStore.Get(i, &frame); ++i) {
        if (!IsLoggedRecord(frame, withEvents)) continue;
        const Ticks t = clock.AbsoluteTime(frame);
        if (!earliest || t < *earliest) earliest = t;
    }
    const std::optional<Ticks> first = clock.EntryTime(0);
    if (first && (!earliest || *first <= *earliest)) return *first;
    if (!earliest) return 0;
    return *earliest / kTicksPerSecond * kTicksPerSecond;
}

}  // namespace korvex::formats
