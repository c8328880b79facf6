#include "app/signals/rules/SampleCsv.h"

#include <algorithm>

#include "app/signals/rules/DecodedCsv.h"

namespace korvex::signaldb {

bool WriteSampleCsv(const CSignalDecoder& decoder, const std::vector<const SampleSeries*>& lanes,
                    double from, double to, CCycleBuffer<_VCI_CAN_OBJ>& store,
                    const FrameTimeTextFn& timeText, const CsvWriteFn& write) {
    constexpr std::size_t kBlock = 1 << 16;
    std::string out = kDecodedCsvHeader;
    // Each lane's next sample in the range, and where its range ends.
    std::vector<std::size_t> next(lanes.size());
    std::vector<std::size_t> end(lanes.size());
    for (std::size_t k = 0; k < lanes.size(); ++k) {
        const std::vector<double>& x = lanes[k]->x;
        next[k] = static_cast<std::size_t>(std::lower_bound(x.begin(), x.end(), from) - x.begin());
        end[k] = static_cast<std::size_t>(std::upper_bound(x.begin(), x.end(), to) - x.begin());
    }
    std::string time;
    for (;;) {
        // The lowest frame index among the lanes' next samples.
        std::int32_t frameIndex = -1;
        for (std::size_t k = 0; k < lanes.size(); ++k)
            if (next[k] < end[k] && (frameIndex < 0 || lanes[k]->frames[next[k]] < frameIndex))
                frameIndex = lanes[k]->frames[next[k]];
        if (frameIndex < 0) break;
        _VCI_CAN_OBJ frame{};
        const bool present = store.Get(frameIndex, &frame);
        const CompiledMessage* message = present ? decoder.Find(frame) : nullptr;
        if (message != nullptr) timeText(frameIndex, frame, time);
        for (std::size_t k = 0; k < lanes.size(); ++k) {
            if (next[k] >= end[k] || lanes[k]->frames[next[k]] != frameIndex) continue;
            ++next[k];
            const SignalRef ref = lanes[k]->ref;
            DecodedSignal d;
            if (message == nullptr || &decoder.Messages()[ref.message] != message ||
                !decoder.DecodeOne(*message, ref.signal, frame, d))
                continue;
            AppendDecodedCsvLine(out, frameIndex, time, frame, *message, ref.signal, d);
        }
        if (out.size() >= kBlock) {
            if (!write(out)) return false;
            out.clear();
        }
    }
    return write(out);
}

}  // namespace korvex::signaldb
