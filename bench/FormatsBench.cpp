// Conversions of a 1,000,000-frame recording between the program's .can
// snapshot and the logs of the Linux CAN tools, beside can-utils' log2asc on
// the same frames (candump log to ASC, as our own candump-to-ASC is measured).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/DataFileWriter.h"
#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"
#include "core/formats/DataFormatTable.h"
#include "core/formats/LoadDataFile.h"
#include "tests/support/EdgeFrameCorpus.h"

namespace {

constexpr int kFrames = 1000000;

std::filesystem::path BenchFile(const char* name) {
    return std::filesystem::temp_directory_path() /
           ("korvex-bench-" + std::to_string(getpid()) + "-" + name);
}

// A bus of standard and extended frames, a few remote frames and events,
// 0.3 ms apart in one recording span.
const std::filesystem::path& SnapshotFile() {
    static const std::filesystem::path path = [] {
        CCycleBuffer<_VCI_CAN_OBJ> store;
        store.Reset(kFrames);
        for (int i = 0; i < kFrames; ++i) {
            const auto n = static_cast<std::uint32_t>(i);
            korvex::test::EdgeFrameShape shape{0x100 + n % 97, n % 5 == 0,
                                               n % 61 == 0,    static_cast<std::uint8_t>(n % 9),
                                               1000 + 3 * n,   0};
            if (n % 5 == 0) shape.id = 0x18FE0000 + n % 4099;
            if (n % 997 == 0) shape.eventCode = static_cast<std::uint8_t>(225 + n % 6);
            store.Push(korvex::test::EdgeFrame(shape));
        }
        const std::vector<OrigTimeEntry> clocks = {
            korvex::test::EdgeClock(2024, 5, 17, 9, 30, 0, 1000, 2)};
        const std::filesystem::path p = BenchFile("frames.can");
        korvex::WriteSnapshotFile(p, clocks, store);
        return p;
    }();
    return path;
}

struct Loaded {
    CKorvexGlobal global;
    CFrameStoreSink sink;
};

bool Convert(const std::filesystem::path& in, korvex::formats::DataFormat to,
             const std::filesystem::path& out) {
    Loaded loaded;
    loaded.global.frameSinks[0] = {&loaded.sink};
    const korvex::formats::ReadResult read =
        korvex::formats::LoadDataFile(in, std::nullopt, {}, loaded.global);
    if (read.status != korvex::formats::ReadStatus::kOk) return false;
    const std::vector<std::string> captions;
    const korvex::formats::WriteSource source{
        loaded.global.origTimeList, loaded.sink.frameStore, captions, {}};
    return korvex::formats::FormatInfo(to).write(out, source, {});
}

const std::filesystem::path& CandumpFile() {
    static const std::filesystem::path path = [] {
        const std::filesystem::path p = BenchFile("frames.log");
        Convert(SnapshotFile(), korvex::formats::DataFormat::kCandump, p);
        return p;
    }();
    return path;
}

void Run(benchmark::State& state, const std::filesystem::path& in, korvex::formats::DataFormat to,
         const char* outName) {
    const std::filesystem::path out = BenchFile(outName);
    for (auto _ : state) {
        if (!Convert(in, to, out)) state.SkipWithError("conversion failed");
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    std::filesystem::remove(out);
}

void BM_CanToCandump(benchmark::State& state) {
    Run(state, SnapshotFile(), korvex::formats::DataFormat::kCandump, "out.log");
}
void BM_CandumpToCan(benchmark::State& state) {
    Run(state, CandumpFile(), korvex::formats::DataFormat::kSnapshot, "out.can");
}
void BM_CanToAsc(benchmark::State& state) {
    Run(state, SnapshotFile(), korvex::formats::DataFormat::kAsc, "out.asc");
}
void BM_CandumpToAsc(benchmark::State& state) {
    Run(state, CandumpFile(), korvex::formats::DataFormat::kAsc, "out.asc");
}

// can-utils' own conversion of the same candump log, timed from outside.
void BM_Log2ascSameFrames(benchmark::State& state) {
    if (access("/usr/bin/log2asc", X_OK) != 0) {
        state.SkipWithError("log2asc (can-utils) is not installed");
        return;
    }
    const std::string command = "/usr/bin/log2asc -I " + CandumpFile().string() + " -O " +
                                BenchFile("log2asc.asc").string() + " can0";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) state.SkipWithError("log2asc failed");
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    std::filesystem::remove(BenchFile("log2asc.asc"));
}

BENCHMARK(BM_CanToCandump)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CandumpToCan)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CanToAsc)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CandumpToAsc)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Log2ascSameFrames)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(SnapshotFile());
    std::filesystem::remove(CandumpFile());
    return 0;
}
