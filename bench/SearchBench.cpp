// The search pane's search over ten million frames: a contains condition on
// the data column and an equal condition on the identifier column, through
// the plug-in's column texts as the frame list shows them, and a greater
// condition on a signal's value through the decoder.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "app/analysis/rules/FrameSearch.h"
#include "core/signals/DbcReader.h"
#include "protolens/include/protolens.h"

namespace {

constexpr int kFrames = 10'000'000;
// A store that the processor's cache holds (384 KiB), where the search's own
// cost shows rather than the memory's.
constexpr int kCachedFrames = 16384;

// Frames of random identifiers from 0x100 to 0x1FF and random data.
CCycleBuffer<_VCI_CAN_OBJ>& Store(int frames = kFrames) {
    static std::map<int, CCycleBuffer<_VCI_CAN_OBJ>> stores;
    CCycleBuffer<_VCI_CAN_OBJ>& store = stores[frames];
    if (store.GetCount() == 0) {
        store.Reserve(frames);
        std::uint32_t seed = 12345;
        for (int i = 0; i < frames; ++i) {
            seed = seed * 1664525u + 1013904223u;
            _VCI_CAN_OBJ f{};
            f.ID = 0x100 + (seed >> 24);
            f.TimeStamp = static_cast<std::uint32_t>(i) * 10;
            f.TimeFlag = 1;
            f.DataLen = 8;
            for (int b = 0; b < 8; ++b) f.Data[b] = static_cast<std::uint8_t>(seed >> (b * 3));
            f.Reserved[1] = 0xFF;
            store.Push(f);
        }
    }
    return store;
}

// The CPU time of all threads per frame searched (with MeasureProcessCPUTime).
benchmark::Counter CpuPerFrame(int frames) {
    return benchmark::Counter(
        frames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Searches as many frames as the benchmark's argument says.
void RunSearch(benchmark::State& state, int column, korvex::SearchCondition condition,
               const char* text) {
    const int frames = static_cast<int>(state.range(0));
    CCycleBuffer<_VCI_CAN_OBJ>& store = Store(frames);
    korvex::ExportRowContext context;
    context.analyPartofCANFrame = &AnalyPartofCANFrame;
    korvex::SearchRequest request;
    request.column = column;
    request.ticked[condition] = true;
    request.texts[condition] = text;
    int hits = 0;
    for (auto _ : state) {
        korvex::CSearchResults results;
        hits = korvex::RunFrameSearch(request, true, store, context, results).count;
        benchmark::DoNotOptimize(hits);
    }
    state.counters["hits"] = hits;
    state.counters["cpu_per_frame"] = CpuPerFrame(frames);
    state.SetItemsProcessed(state.iterations() * frames);
}

void BM_SearchDataContains(benchmark::State& state) {
    RunSearch(state, 7, korvex::kContains, "a5 3");
}
void BM_SearchIdentifierEqual(benchmark::State& state) {
    RunSearch(state, 3, korvex::kEqual, "1a5");
}

// A 16-bit Intel signal with factor and offset in every identifier the
// store holds (0x100 to 0x1FF).
void BM_SearchSignalGreater(benchmark::State& state) {
    std::string dbc = "VERSION \"\"\n";
    for (int id = 0x100; id <= 0x1FF; ++id)
        dbc += "BO_ " + std::to_string(id) + " M" + std::to_string(id) +
               ": 8 Ecu\n SG_ Speed : " + "8|16@1+ (0.25,-10) [0|0] \"\" Ecu\n";
    auto db = std::make_shared<korvex::signaldb::DbcDatabase>();
    korvex::signaldb::DbcError error;
    if (!korvex::signaldb::ParseDbcText(dbc, *db, error)) state.SkipWithError("database");
    const korvex::signaldb::CSignalDecoder decoder({db});
    CCycleBuffer<_VCI_CAN_OBJ>& store = Store();
    korvex::SearchRequest request;
    request.ticked[korvex::kGreater] = true;
    request.texts[korvex::kGreater] = "16000";
    int hits = 0;
    for (auto _ : state) {
        korvex::CSearchResults results;
        hits = korvex::RunSignalSearch(request, "M420.Speed", decoder, true, store, results).count;
        benchmark::DoNotOptimize(hits);
    }
    state.counters["hits"] = hits;
    state.SetItemsProcessed(state.iterations() * kFrames);
}

// The floor the searches stand on: a loop that reads every frame's
// identifier and does nothing else with it.
void BM_ReadIdentifiers(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    const CCycleBuffer<_VCI_CAN_OBJ>::CView view = Store(frames).View();
    for (auto _ : state) {
        std::uint32_t sum = 0;
        view.ForEachRun(0, view.Count(), [&](std::int64_t, const _VCI_CAN_OBJ* run, int n) {
            for (int k = 0; k < n; ++k) sum += run[k].ID;
        });
        benchmark::DoNotOptimize(sum);
    }
    state.counters["cpu_per_frame"] = CpuPerFrame(frames);
}

BENCHMARK(BM_SearchDataContains)
    ->Arg(kFrames)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_SearchIdentifierEqual)
    ->Arg(kFrames)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_SearchIdentifierEqual)->Arg(kCachedFrames)->MeasureProcessCPUTime();
BENCHMARK(BM_ReadIdentifiers)->Arg(kFrames)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadIdentifiers)->Arg(kCachedFrames);
BENCHMARK(BM_SearchSignalGreater)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
