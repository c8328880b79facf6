// Classification and bus status at the scale of ten million frames, with the
// frame list's own cell texts (the plug-in's identifier and data columns).
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "app/analysis/rules/BusStatus.h"
#include "app/analysis/rules/ClusterResult.h"
#include "core/FrameRowText.h"
#include "core/KorvexGlobal.h"
#include "protolens/include/protolens.h"

#ifdef KORVEX_BENCH_CURVE
#include <QApplication>
#include <QPixmap>

#include "app/analysis/HisCurve.h"
#endif

namespace {

constexpr int kFrames = 10000000;
constexpr int kIdentifiers = 2000;

// Frames of 2000 identifiers, each identifier with a few data patterns, in
// one recording span at 500 kbit/s, one frame every 0.1 ms: ten million, or
// as many as `frames` says (a store that fits the processor's cache, where a
// loop's own cost shows rather than the memory's).
CCycleBuffer<_VCI_CAN_OBJ>& Store(int frames = kFrames) {
    static std::map<int, CCycleBuffer<_VCI_CAN_OBJ>> stores;
    CCycleBuffer<_VCI_CAN_OBJ>& store = stores[frames];
    if (store.GetCount() == 0) {
        store.Reserve(frames);
        for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(frames); ++i) {
            _VCI_CAN_OBJ f{};
            f.ID = 0x100 + i * 7919u % kIdentifiers;
            f.TimeStamp = i;
            f.TimeFlag = 1;
            f.DataLen = 8;
            for (std::uint32_t b = 0; b < 8; ++b)
                f.Data[b] = static_cast<std::uint8_t>(b + i / 3 % 4);
            f.Reserved[1] = 0;
            store.Push(f);
        }
    }
    return store;
}

void Classify(benchmark::State& state, std::vector<std::int32_t> columns) {
    CCycleBuffer<_VCI_CAN_OBJ>& store = Store();
    CKorvexGlobal global;
    const korvex::ExportRowContext context =
        global.ExportContext(&AnalyCANFrame, &AnalyPartofCANFrame);
    for (auto _ : state) {
        korvex::CClusterResult result;
        result.Run(store, columns, context);
        benchmark::DoNotOptimize(result.RowCount());
        state.counters["groups"] = static_cast<double>(result.RowCount());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}

void BM_ClassifyByIdentifier(benchmark::State& state) {
    Classify(state, {3});
}
void BM_ClassifyByIdentifierAndData(benchmark::State& state) {
    Classify(state, {3, 7});
}
// The time's text follows from no few fields: grouped by the texts.
void BM_ClassifyByTimeAndIdentifier(benchmark::State& state) {
    Classify(state, {1, 3});
}

// The spans, then the flow of the first over all of it: in a pass of its own
// (the window, whose span is chosen after the spans are listed), with the
// spans' pass (korvex-cli), or the spans alone, over as many frames as the
// argument says. The CPU time of all threads per frame is the measure.
void BusStatus(benchmark::State& state, bool flow, bool ahead) {
    const int frames = static_cast<int>(state.range(0));
    CCycleBuffer<_VCI_CAN_OBJ>& store = Store(frames);
    CKorvexGlobal global;
    OrigTimeEntry entry{};
    entry.hour = 8;
    entry.bitRateIndex = 2;
    global.origTimeList = {entry};
    const korvex::BusFlowAhead first{0, ""};
    for (auto _ : state) {
        korvex::CBusSpans spans;
        spans.Distribute(store, global.origTimeList, {}, ahead ? &first : nullptr);
        if (!flow) continue;
        const korvex::BusSubInterval sub = korvex::SpanSubInterval(spans, 0);
        const korvex::BusStatusOutcome outcome =
            korvex::ComputeBusStatus(spans, 0, sub.start, sub.end, global);
        benchmark::DoNotOptimize(outcome.averageFlow);
    }
    state.counters["cpu_per_frame"] = benchmark::Counter(
        frames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(state.iterations() * frames);
}

void BM_BusStatus(benchmark::State& state) {
    BusStatus(state, true, false);
}
void BM_BusStatusWithTheSpans(benchmark::State& state) {
    BusStatus(state, true, true);
}
void BM_BusSpans(benchmark::State& state) {
    BusStatus(state, false, false);
}

BENCHMARK(BM_ClassifyByIdentifier)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ClassifyByIdentifierAndData)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ClassifyByTimeAndIdentifier)->Unit(benchmark::kMillisecond)->Iterations(2);
// Each from memory (ten million frames), then from the cache (16384 frames,
// 384 KiB), where what the loops themselves cost shows.
constexpr int kCachedFrames = 16384;
BENCHMARK(BM_BusStatus)
    ->Arg(kFrames)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_BusStatusWithTheSpans)
    ->Arg(kFrames)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_BusSpans)
    ->Arg(kFrames)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_BusStatusWithTheSpans)->Arg(kCachedFrames)->MeasureProcessCPUTime();
BENCHMARK(BM_BusSpans)->Arg(kCachedFrames)->MeasureProcessCPUTime();

#ifdef KORVEX_BENCH_CURVE
// One repaint of a full-screen-wide curve over a million records: what it
// costs is set by its pixels.
void BM_CurveRepaint(benchmark::State& state) {
    CHisCurve curve;
    curve.resize(1200, 400);
    const int records = static_cast<int>(state.range(0));
    curve.SetDataSource(
        [records](int i, int& value, std::uint32_t& stamp) {
            if (i < 0 || i >= records) return false;
            value = i % 100;
            stamp = static_cast<std::uint32_t>(i) * 10;
            return true;
        },
        [records] { return records; });
    curve.SetStepTime(1);
    QPixmap target(curve.size());
    for (auto _ : state) curve.render(&target);
    state.counters["vertices"] = curve.LastVertexCount();
}
BENCHMARK(BM_CurveRepaint)->Arg(20)->Arg(1000000)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef KORVEX_BENCH_CURVE
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
