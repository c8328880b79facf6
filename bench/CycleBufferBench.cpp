#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "core/frame/CycleBuffer.h"
#include "tests/support/FrameFactory.h"

namespace {

constexpr int kStoreFrames = 1 << 20;

void BM_Push(benchmark::State& state) {
    CCycleBuffer<_VCI_CAN_OBJ> buffer;
    buffer.Reset(kStoreFrames);
    std::uint32_t n = 0;
    for (auto _ : state) buffer.Push(korvex::test::FrameFromCounter(++n));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Push);

void BM_Get(benchmark::State& state) {
    CCycleBuffer<_VCI_CAN_OBJ> buffer;
    buffer.Reset(kStoreFrames);
    for (int i = 0; i < kStoreFrames; ++i) buffer.Push(korvex::test::FrameFromCounter(i));
    _VCI_CAN_OBJ f{};
    int i = 0;
    for (auto _ : state) {
        buffer.Get(i, &f);
        benchmark::DoNotOptimize(f);
        i = (i + 1) & (kStoreFrames - 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Get);

// Push while another thread keeps reading the newest frame, as the frame list
// does while an upload fills the store.
void BM_PushWithConcurrentReader(benchmark::State& state) {
    CCycleBuffer<_VCI_CAN_OBJ> buffer;
    buffer.Reset(kStoreFrames);
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        _VCI_CAN_OBJ f{};
        while (!stop.load(std::memory_order_relaxed)) {
            const int count = buffer.GetCount();
            if (count > 0) buffer.Get(count - 1, &f);
            benchmark::DoNotOptimize(f);
        }
    });
    std::uint32_t n = 0;
    for (auto _ : state) buffer.Push(korvex::test::FrameFromCounter(++n));
    stop = true;
    reader.join();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PushWithConcurrentReader)->UseRealTime();

// Get while another thread keeps pushing.
void BM_GetWithConcurrentWriter(benchmark::State& state) {
    CCycleBuffer<_VCI_CAN_OBJ> buffer;
    buffer.Reset(kStoreFrames);
    for (int i = 0; i < kStoreFrames; ++i) buffer.Push(korvex::test::FrameFromCounter(i));
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        std::uint32_t n = 0;
        while (!stop.load(std::memory_order_relaxed))
            buffer.Push(korvex::test::FrameFromCounter(++n));
    });
    _VCI_CAN_OBJ f{};
    int i = 0;
    for (auto _ : state) {
        buffer.Get(i, &f);
        benchmark::DoNotOptimize(f);
        i = (i + 1) & (kStoreFrames - 1);
    }
    stop = true;
    writer.join();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetWithConcurrentWriter)->UseRealTime();

}  // namespace
