// The search pane's search over ten million frames: a contains condition on
// the data column and an equal condition on the identifier column, through
// the plug-in's column texts as the frame list shows them.
#include <benchmark/benchmark.h>

#include "app/analysis/rules/FrameSearch.h"
#include "protolens/include/protolens.h"

namespace {

constexpr int kFrames = 10'000'000;

CCycleBuffer<_VCI_CAN_OBJ>& Store() {
    static CCycleBuffer<_VCI_CAN_OBJ>* store = [] {
        auto* s = new CCycleBuffer<_VCI_CAN_OBJ>;
        s->Reserve(kFrames);
        std::uint32_t seed = 12345;
        for (int i = 0; i < kFrames; ++i) {
            seed = seed * 1664525u + 1013904223u;
            _VCI_CAN_OBJ f{};
            f.ID = 0x100 + (seed >> 24);
            f.TimeStamp = static_cast<std::uint32_t>(i) * 10;
            f.TimeFlag = 1;
            f.DataLen = 8;
            for (int b = 0; b < 8; ++b) f.Data[b] = static_cast<std::uint8_t>(seed >> (b * 3));
            f.Reserved[1] = 0xFF;
            s->Push(f);
        }
        return s;
    }();
    return *store;
}

void RunSearch(benchmark::State& state, int column, korvex::SearchCondition condition,
               const char* text) {
    CCycleBuffer<_VCI_CAN_OBJ>& store = Store();
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
    state.SetItemsProcessed(state.iterations() * kFrames);
}

void BM_SearchDataContains(benchmark::State& state) {
    RunSearch(state, 7, korvex::kContains, "a5 3");
}
void BM_SearchIdentifierEqual(benchmark::State& state) {
    RunSearch(state, 3, korvex::kEqual, "1a5");
}

BENCHMARK(BM_SearchDataContains)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SearchIdentifierEqual)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
