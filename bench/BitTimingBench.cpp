// One bit-timing calculation at the highest clock the calculator allows: all
// 8 x 16 x 1024 candidates, each with one division.
#include <benchmark/benchmark.h>

#include "app/device/rules/BitTiming.h"

namespace {

void BM_BitTimingAtMaxClock(benchmark::State& state) {
    korvex::device::BitTimingInput input;
    input.clockMHz = korvex::device::kMaxClockMHz;
    input.desiredRate = static_cast<std::uint32_t>(state.range(0));
    input.tseg2AtLeastSjw = false;  // every TSEG2 from 1: the whole candidate space
    std::size_t rows = 0;
    for (auto _ : state) {
        const auto results = korvex::device::CalculateBitTimings(input);
        rows = results.size();
        benchmark::DoNotOptimize(results.data());
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["candidates/s"] =
        benchmark::Counter(131072.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BitTimingAtMaxClock)
    ->Arg(500000)
    ->Arg(1000000)
    ->Arg(6000000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
