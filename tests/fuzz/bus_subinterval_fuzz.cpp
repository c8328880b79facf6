// The bus status's typed sub-interval: two texts (split at the first line
// feed) read as "hh:mm:ss" and checked against a span, then the flow and load
// computed over whatever is accepted.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/analysis/rules/BusStatus.h"
#include "core/KorvexGlobal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CKorvexGlobal global;
    static korvex::CBusSpans spans = [] {
        OrigTimeEntry entry{};
        entry.hour = 23;
        entry.minute = 59;
        entry.bitRateIndex = 3;
        global.origTimeList = {entry};
        CCycleBuffer<_VCI_CAN_OBJ> store;
        for (std::uint32_t i = 0; i < 2000; ++i) {
            _VCI_CAN_OBJ frame{};
            frame.TimeStamp = i * 997;  // runs past midnight
            store.Push(frame);
        }
        korvex::CBusSpans made;
        made.Distribute(store, global.origTimeList);
        return made;
    }();
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::size_t split = text.find('\n');
    const std::string start = text.substr(0, split);
    const std::string end = split == std::string::npos ? std::string() : text.substr(split + 1);
    const korvex::BusStatusOutcome outcome = korvex::ComputeBusStatus(spans, 0, start, end, global);
    if (outcome.computed && global.busFlowSamples.GetCount() != korvex::kBusStatusSteps)
        __builtin_trap();
    return 0;
}
