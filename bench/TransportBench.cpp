// korvex-cli transport and dtc against dump over one snapshot file of 10 M
// frames, 5 % of them diagnostic traffic (ISO-TP with UDS, J1939 transport,
// DM1) amid periodic frames: reading the messages should cost at most half
// again what printing every frame does.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "core/DataFileWriter.h"
#include "tests/support/DiagnosticTraffic.h"

namespace {

constexpr std::int64_t kFrames = 10'000'000;
constexpr std::int64_t kEveryDiagnostic = 20;

const std::filesystem::path& RecordingFile() {
    static const std::filesystem::path path = [] {
        const std::filesystem::path p =
            std::filesystem::temp_directory_path() /
            ("korvex-transport-bench-" + std::to_string(getpid()) + ".can");
        std::vector<korvex::test::ExpectedEpisode> episodes;
        const korvex::test::CDiagnosticTraffic traffic = korvex::test::DiagnosticScenario(episodes);
        std::vector<_VCI_CAN_OBJ> diagnostic;
        for (const _VCI_CAN_OBJ& f : traffic.frames)
            if (f.ID != traffic.frames.front().ID) diagnostic.push_back(f);
        CCycleBuffer<_VCI_CAN_OBJ> store;
        store.Reset(static_cast<int>(kFrames));
        std::vector<_VCI_CAN_OBJ> run(1 << 16);
        std::size_t next = 0;
        for (std::int64_t at = 0; at < kFrames; at += static_cast<std::int64_t>(run.size())) {
            const int n = static_cast<int>(std::min<std::int64_t>(run.size(), kFrames - at));
            for (int k = 0; k < n; ++k) {
                const std::int64_t i = at + k;
                _VCI_CAN_OBJ f{};
                if (i % kEveryDiagnostic == 0) {
                    f = diagnostic[next++ % diagnostic.size()];
                } else {
                    f.ID = 0x100 + static_cast<std::uint32_t>(i * 7919 % 2000);
                    f.DataLen = 8;
                    for (int b = 0; b < 8; ++b)
                        f.Data[b] = static_cast<std::uint8_t>(b + i / 3 % 4);
                }
                f.TimeStamp = static_cast<std::uint32_t>(i);
                f.TimeFlag = 1;
                f.Reserved[1] = 0;
                run[static_cast<std::size_t>(k)] = f;
            }
            store.PushRun(run.data(), n);
        }
        OrigTimeEntry entry{};
        entry.hour = 8;
        entry.bitRateIndex = 2;
        if (!WriteSnapshotFile(p, {entry}, store)) std::abort();
        return p;
    }();
    return path;
}

void RunCommand(benchmark::State& state, const char* command) {
    const std::string file = RecordingFile().string();
    std::FILE* devnull = std::fopen("/dev/null", "w");
    std::ostringstream err;
    const korvex::cli::CliStreams io{devnull, err, false};
    for (auto _ : state) {
        if (korvex::cli::RunCommandLine({command, file}, {}, io) != 0) {
            state.SkipWithError(err.str().c_str());
            break;
        }
    }
    std::fclose(devnull);
    state.counters["frames_per_s"] = benchmark::Counter(
        static_cast<double>(kFrames), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Dump(benchmark::State& state) {
    RunCommand(state, "dump");
}
void BM_Transport(benchmark::State& state) {
    RunCommand(state, "transport");
}
void BM_Dtc(benchmark::State& state) {
    RunCommand(state, "dtc");
}
BENCHMARK(BM_Dump)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Transport)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Dtc)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(RecordingFile());
    return 0;
}
