// Classification and bus status at the scale of ten million frames, with the
// frame list's own cell texts (the plug-in's identifier and data columns).
#include <benchmark/benchmark.h>

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

// Ten million frames of 2000 identifiers, each identifier with a few data
// patterns, in one recording span at 500 kbit/s, one frame every 0.1 ms.
CCycleBuffer<_VCI_CAN_OBJ>& Store() {
    static CCycleBuffer<_VCI_CAN_OBJ> store;
    if (store.GetCount() == 0) {
        store.Reserve(kFrames);
        for (std::uint32_t i = 0; i < kFrames; ++i) {
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
// spans' pass (korvex-cli), or the spans alone. The CPU time of all threads
// per frame is the measure.
void BusStatus(benchmark::State& state, bool flow, bool ahead) {
    CCycleBuffer<_VCI_CAN_OBJ>& store = Store();
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
        kFrames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(state.iterations() * kFrames);
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
BENCHMARK(BM_BusStatus)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();
BENCHMARK(BM_BusStatusWithTheSpans)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_BusSpans)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();

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
