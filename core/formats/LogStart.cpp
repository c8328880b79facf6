#include "core/formats/LogStart.h"

namespace korvex::formats {

Ticks LogStartTime(const WriteSource& source, const CFrameClock& clock, bool withEvents,
                   const PassSplit& split) {
    PassSplit quiet = split;
    quiet.progress = nullptr;
    const CCycleBuffer<_VCI_CAN_OBJ>::CView frames = source.frameStore.View();
    std::optional<Ticks> earliest;
    RunSplitPass<std::optional<Ticks>>(
        frames.Count(), quiet,
        [&](std::int64_t begin, std::int64_t end, std::optional<Ticks>& least) {
            least.reset();
            frames.ForEachRun(begin, end, [&](std::int64_t, const _VCI_CAN_OBJ* run, int n) {
                for (int k = 0; k < n; ++k) {
                    if (!IsLoggedRecord(run[k], withEvents)) continue;
                    const Ticks t = clock.AbsoluteTime(run[k]);
                    if (!least || t < *least) least = t;
                }
            });
        },
        [&](std::int64_t, std::int64_t, const std::optional<Ticks>& least) {
            if (least && (!earliest || *least < *earliest)) earliest = least;
            return true;
        });
    const std::optional<Ticks> first = clock.EntryTime(0);
    if (first && (!earliest || *first <= *earliest)) return *first;
    if (!earliest) return 0;
    return *earliest / kTicksPerSecond * kTicksPerSecond;
}

}  // namespace korvex::formats
