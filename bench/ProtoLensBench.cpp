#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "protolens/PluginObjects.h"
#include "protolens/include/protolens.h"

namespace {

// 1024 frames of every shape the list draws: standard and extended, data and
// remote, lengths 0 to 8, a few event records.
const std::vector<_VCI_CAN_OBJ>& Frames() {
    static const std::vector<_VCI_CAN_OBJ> frames = [] {
        std::vector<_VCI_CAN_OBJ> v(1024);
        std::uint32_t seed = 12345;
        for (std::size_t i = 0; i < v.size(); ++i) {
            seed = seed * 1103515245u + 12345u;
            _VCI_CAN_OBJ& f = v[i];
            f.ExternFlag = (seed >> 8) & 1;
            f.ID = f.ExternFlag != 0 ? seed & 0x1FFFFFFF : seed & 0x7FF;
            f.RemoteFlag = (i % 16) == 0 ? 1 : 0;
            f.DataLen = static_cast<std::uint8_t>(i % 4 == 0 ? (seed >> 4) % 9 : 8);
            for (int b = 0; b < 8; ++b) f.Data[b] = static_cast<std::uint8_t>(seed >> (b * 3));
            if (i % 100 == 0) f.Reserved[0] = 227;
        }
        return v;
    }();
    return frames;
}

void LoadWords(std::uint8_t showType) {
    std::int32_t language = 0;
    IOCtl(15, &language, 4, 0, 0);
    protolens::Context().globals[0].Block(0).display.bShowType = showType;
}

void BM_AnalyPartofCANFrame(benchmark::State& state) {
    LoadWords(0);
    const int column = static_cast<int>(state.range(0));
    const std::vector<_VCI_CAN_OBJ>& frames = Frames();
    std::size_t i = 0;
    char* text = nullptr;
    for (auto _ : state) {
        AnalyPartofCANFrame(&frames[i++ & 1023], &text, column);
        benchmark::DoNotOptimize(text[0]);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AnalyPartofCANFrame)->DenseRange(3, 7);

void BM_AnalyCANFrame(benchmark::State& state) {
    LoadWords(static_cast<std::uint8_t>(state.range(0)));
    const std::vector<_VCI_CAN_OBJ>& frames = Frames();
    std::size_t i = 0;
    char** texts = nullptr;
    int count = 0;
    for (auto _ : state) {
        AnalyCANFrame(&frames[i++ & 1023], &texts, &count);
        benchmark::DoNotOptimize(texts[4][0]);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AnalyCANFrame)->Arg(16)->Arg(2)->Arg(10);

void BM_IsOBJKeyEqual(benchmark::State& state) {
    OBJKEY key;
    key.icolInd = static_cast<int>(state.range(0));
    key.dwMask = 0x700;
    key.dwData = key.icolInd == kKeyDataBytes ? 8 : 0x100;
    key.bStart = 0;
    key.bEnd = 8;
    const std::vector<_VCI_CAN_OBJ>& frames = Frames();
    std::size_t i = 0;
    int hits = 0;
    for (auto _ : state) {
        hits += IsOBJKeyEqual(&key, &frames[i++ & 1023]);
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IsOBJKeyEqual)->Arg(kKeyIdentifier)->Arg(kKeyDataBytes);

}  // namespace
