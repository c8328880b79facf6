// Key matching cost per frame for each kind of key, as the frame list pays it
// for every visible cell with colour rules and the alias column pays it for
// every alias rule; and the cost of a frame's data text.
#include <benchmark/benchmark.h>

#include <vector>

#include "share/FrameText.h"
#include "share/KeyMatch.h"

namespace {

std::vector<_VCI_CAN_OBJ> Frames() {
    std::vector<_VCI_CAN_OBJ> frames(4096);
    std::uint32_t seed = 12345;
    for (_VCI_CAN_OBJ& f : frames) {
        seed = seed * 1664525u + 1013904223u;
        f = _VCI_CAN_OBJ{};
        f.ID = seed >> 21;
        f.DataLen = static_cast<std::uint8_t>(seed % 9);
        f.RemoteFlag = (seed >> 8) % 7 == 0;
        f.ExternFlag = (seed >> 12) % 3 == 0;
        for (int i = 0; i < 8; ++i) f.Data[i] = static_cast<std::uint8_t>(seed >> (i * 3));
    }
    return frames;
}

OBJKEY KeyOfKind(int kind) {
    OBJKEY k;
    k.icolInd = kind;
    switch (kind) {
        case kKeyIdentifier:
            k.dwMask = 0x700;
            k.dwData = 0x100;
            break;
        case kKeyDataBytes:
            k.dwData = 8;
            k.bStart = 0;
            k.bEnd = 8;
            break;
        default:
            k.dwData = 1;
            break;
    }
    return k;
}

void BM_IsOBJKeyEqual(benchmark::State& state) {
    const std::vector<_VCI_CAN_OBJ> frames = Frames();
    const OBJKEY key = KeyOfKind(static_cast<int>(state.range(0)));
    std::size_t i = 0;
    int matches = 0;
    for (auto _ : state) {
        matches += name_share::IsOBJKeyEqual(key, frames[i]);
        i = (i + 1) & (frames.size() - 1);
        benchmark::DoNotOptimize(matches);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IsOBJKeyEqual)->DenseRange(3, 7)->ArgName("kind");

// Data text per frame in each base, into a string the caller keeps.
void BM_AppendData(benchmark::State& state) {
    const std::vector<_VCI_CAN_OBJ> frames = Frames();
    const int base = static_cast<int>(state.range(0));
    std::string text;
    std::size_t i = 0;
    for (auto _ : state) {
        text.clear();
        name_share::AppendData(text, frames[i], base);
        i = (i + 1) & (frames.size() - 1);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AppendData)->Arg(16)->Arg(10)->Arg(2)->ArgName("base");

}  // namespace
