#include "app/signals/rules/SignalSamples.h"

#include <algorithm>
#include <cmath>

#include "core/formats/FrameClock.h"

namespace korvex::signaldb {
namespace {

constexpr int kFrameRun = 4096;

// Frames with one clock index in a row form a recording span.
struct SpanBuilder {
    std::vector<AxisSpan> spans;
    int clockIndex = -1;

    // The span of a frame, opening a new one where the clock index changes.
    std::size_t Place(std::uint8_t clock, std::int64_t ticks, bool known) {
        if (spans.empty() || clock != clockIndex) {
            spans.push_back({ticks, ticks, known, 0, 0});
            clockIndex = clock;
        }
        AxisSpan& span = spans.back();
        span.lastTicks = std::max(span.lastTicks, ticks);
        return spans.size() - 1;
    }
};

}  // namespace

SampleResult ComputeSamples(const SampleRequest& request, CCycleBuffer<_VCI_CAN_OBJ>& store,
                            std::atomic<long long>& progress, const std::atomic<bool>& cancel) {
    SampleResult result;
    const CSignalDecoder& decoder = *request.decoder;
    const auto& messages = decoder.Messages();
    // Per message, the requested signals it carries: (series, signal).
    std::vector<std::vector<std::pair<std::size_t, int>>> wanted(messages.size());
    result.series.resize(request.signalList.size());
    for (std::size_t k = 0; k < request.signalList.size(); ++k) {
        const SignalRef ref = request.signalList[k];
        result.series[k].ref = ref;
        if (ref.message >= 0 && static_cast<std::size_t>(ref.message) < messages.size() &&
            ref.signal >= 0 &&
            static_cast<std::size_t>(ref.signal) < messages[ref.message].signalList.size())
            wanted[ref.message].emplace_back(k, ref.signal);
    }
    std::vector<std::vector<std::uint32_t>> spanOf(result.series.size());

    const formats::CFrameClock clock(request.origTimeList, false);
    SpanBuilder spans;
    std::vector<_VCI_CAN_OBJ> run(kFrameRun);
    const int count = store.GetCount();
    int read = 0;
    while (read < count) {
        if (cancel.load(std::memory_order_relaxed)) {
            result = SampleResult();
            result.cancelled = true;
            return result;
        }
        int n = 0;
        while (n < kFrameRun && read + n < count && store.Get(read + n, &run[n])) ++n;
        if (n == 0) break;
        for (int i = 0; i < n; ++i) {
            const _VCI_CAN_OBJ& f = run[i];
            if (EventCode(f) == kEventClockRecord) continue;
            const std::uint8_t k = ClockIndex(f);
            const std::int64_t ticks = clock.AbsoluteTime(f);
            const bool known = k < 0x80 && clock.EntryTime(k).has_value();
            const std::size_t span = spans.Place(k, ticks, known);
            const CompiledMessage* message = decoder.Find(f);
            if (message == nullptr) continue;
            const auto& mine = wanted[static_cast<std::size_t>(message - messages.data())];
            for (const auto& [seriesIndex, signal] : mine) {
                DecodedSignal d;
                if (!decoder.DecodeOne(*message, signal, f, d)) continue;
                SampleSeries& s = result.series[seriesIndex];
                // Seconds from the span's start for now; the span's place on
                // the axis is added once every span is known.
                s.x.push_back(static_cast<double>(ticks - spans.spans[span].firstTicks) /
                              static_cast<double>(formats::kTicksPerSecond));
                s.values.push_back(d.value);
                s.frames.push_back(read + i);
                if (message->signalList[signal].values != nullptr) s.raws.push_back(d.raw);
                spanOf[seriesIndex].push_back(static_cast<std::uint32_t>(span));
            }
        }
        read += n;
        progress.store(read, std::memory_order_relaxed);
    }
    result.frameCount = read;
    result.axis = CTimeAxis(std::move(spans.spans));
    const auto& placed = result.axis.Spans();
    for (std::size_t k = 0; k < result.series.size(); ++k) {
        SampleSeries& s = result.series[k];
        // A time stamp that runs back must not put the series out of order.
        double floor = placed.empty() ? 0 : placed.front().start;
        for (std::size_t i = 0; i < s.x.size(); ++i) {
            s.x[i] += placed[spanOf[k][i]].start;
            floor = std::max(floor, s.x[i]);
            s.x[i] = floor;
        }
    }
    return result;
}

long long SampleAtOrBefore(const SampleSeries& series, double x) {
    const auto it = std::upper_bound(series.x.begin(), series.x.end(), x);
    return static_cast<long long>(it - series.x.begin()) - 1;
}

long long NearestSample(const SampleSeries& series, double x) {
    if (series.x.empty()) return -1;
    const auto it = std::lower_bound(series.x.begin(), series.x.end(), x);
    const long long after = it - series.x.begin();
    if (after == 0) return 0;
    if (after == static_cast<long long>(series.x.size())) return after - 1;
    return x - series.x[after - 1] <= series.x[after] - x ? after - 1 : after;
}

}  // namespace korvex::signaldb
