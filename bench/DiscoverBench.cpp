// Discovery over ten million frames of 200 identifiers, beside the
// classification by identifier of the same frames, which it should cost at
// most twice.
#include <benchmark/benchmark.h>

#include "app/analysis/rules/ClusterResult.h"
#include "core/FrameRowText.h"
#include "core/KorvexGlobal.h"
#include "core/discover/Discover.h"
#include "protolens/include/protolens.h"
#include "tests/support/KnownLayoutTraffic.h"

namespace {

constexpr int kIdentifiers = 200;
constexpr int kFrames = 10000000;

CCycleBuffer<_VCI_CAN_OBJ>& Store() {
    static CCycleBuffer<_VCI_CAN_OBJ> store;
    if (store.GetCount() == 0) {
        korvex::test::CKnownTraffic traffic(1, kIdentifiers);
        store.Reserve(kFrames);
        for (int i = 0; i < kFrames; ++i) {
            _VCI_CAN_OBJ frame = traffic.Next(static_cast<std::size_t>(i % kIdentifiers));
            frame.TimeStamp = static_cast<std::uint32_t>(i);
            frame.Reserved[1] = 0;
            store.Push(frame);
        }
    }
    return store;
}

void BM_Discover(benchmark::State& state) {
    CCycleBuffer<_VCI_CAN_OBJ>& store = Store();
    for (auto _ : state) {
        std::vector<korvex::discover::MessageDiscovery> messages;
        korvex::discover::DiscoverMessages(store.View(), {}, {}, messages);
        benchmark::DoNotOptimize(messages.data());
        state.counters["messages"] = static_cast<double>(messages.size());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}

void BM_ClassifyByIdentifier(benchmark::State& state) {
    CCycleBuffer<_VCI_CAN_OBJ>& store = Store();
    CKorvexGlobal global;
    const korvex::ExportRowContext context =
        global.ExportContext(&AnalyCANFrame, &AnalyPartofCANFrame);
    for (auto _ : state) {
        korvex::CClusterResult result;
        result.Run(store, {3}, context);
        benchmark::DoNotOptimize(result.RowCount());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}

BENCHMARK(BM_Discover)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ClassifyByIdentifier)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
