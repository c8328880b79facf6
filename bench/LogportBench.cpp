// Upload throughput through the whole stack (Logport exports, packet codec,
// virtual recorder, record conversion) and filter-table building.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "logport/FilterLists.h"
#include "logport/include/logport.h"
#include "pipeusb/include/pipeusb_sim.h"
#include "tests/support/RecorderImageWriter.h"

namespace {

constexpr std::uint32_t kType = 21;
constexpr std::uint32_t kRecords = 1'000'000;

// A recorder image with one million records, written once per run.
const std::string& MillionRecordImage() {
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() / "logport_bench_1m.img";
        korvex::test::RecorderImageContent content;
        content.recordCount = kRecords;
        korvex::test::WriteRecorderImage(file.string(), content);
        return file.string();
    }();
    return path;
}

void BM_LoadFrameMillionRecords(benchmark::State& state) {
    if (PipeUsbSim_Configure(MillionRecordImage().c_str()) != 1 ||
        LGP_OpenDevice(kType, 0, 0) != 1) {
        state.SkipWithError("virtual recorder not available");
        return;
    }
    for (auto _ : state) {
        std::uint32_t count = 0;
        _VCI_CAN_OBJ* frames = LGP_LoadFrame(kType, 0, &count);
        if (frames == nullptr || count != kRecords) {
            state.SkipWithError("upload failed");
            break;
        }
        benchmark::DoNotOptimize(frames[count - 1]);
        delete[] frames;
    }
    LGP_CloseDevice(kType, 0);
    state.SetItemsProcessed(state.iterations() * kRecords);
    state.SetBytesProcessed(state.iterations() * kRecords * 24);
}
BENCHMARK(BM_LoadFrameMillionRecords)->Unit(benchmark::kMillisecond)->UseRealTime();

// Lists of 1920 table bytes: 256 identifiers and 32 groups of each kind,
// spread over both channels, added in random order.
logport::CFilterLists FullLists() {
    std::vector<std::pair<std::uint32_t, FilterRange>> ranges;
    for (std::uint32_t i = 0; i < 256; ++i) {
        ranges.push_back({i & 1, FilterRange{0, 2 * i, 2 * i}});                      // 512 bytes
        ranges.push_back({i & 1, FilterRange{1, 0x10000 + 2 * i, 0x10000 + 2 * i}});  // 1024
    }
    for (std::uint32_t i = 0; i < 32; ++i) {
        ranges.push_back({i & 1, FilterRange{0, 0x400 + 8 * i, 0x404 + 8 * i}});      // 128
        ranges.push_back({i & 1, FilterRange{1, 0x80000 + 8 * i, 0x80004 + 8 * i}});  // 256
    }
    std::shuffle(ranges.begin(), ranges.end(), std::mt19937(42));
    logport::CFilterLists lists;
    for (const auto& [channel, range] : ranges) lists.Add(channel, range);
    return lists;
}

void BM_FilterTableBuildFull(benchmark::State& state) {
    logport::CFilterLists lists = FullLists();
    if (lists.BytesUsed() != 1920) state.SkipWithError("unexpected list size");
    // Top up to exactly 2048 bytes with extended identifiers.
    for (std::uint32_t id = 0; lists.BytesUsed() < 2048; ++id)
        lists.Add(0, FilterRange{1, 0x1000000 + id, 0x1000000 + id});
    for (auto _ : state) {
        FilterInfo info = lists.BuildTable();
        benchmark::DoNotOptimize(info.bTable[2047]);
        if (info.dwTableEnd != 2048) state.SkipWithError("table not full");
    }
}
BENCHMARK(BM_FilterTableBuildFull);

void BM_FilterListsFillAndBuild(benchmark::State& state) {
    for (auto _ : state) {
        logport::CFilterLists lists = FullLists();
        FilterInfo info = lists.BuildTable();
        benchmark::DoNotOptimize(info.bTable[0]);
    }
}
BENCHMARK(BM_FilterListsFillAndBuild);

}  // namespace
