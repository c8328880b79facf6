// korvex-cli upload of the demo recording from the virtual recorder, into a
// snapshot file and into the text export: the whole stack from the USB
// transport stand-in to the written file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "cli/CliCommands.h"
#include "pipeusb/include/pipeusb_sim.h"

namespace {

void Upload(benchmark::State& state, const char* extension) {
    PipeUsbSim_Configure("demo");
    const std::filesystem::path out = std::filesystem::temp_directory_path() /
                                      ("korvex-bench-" + std::to_string(getpid()) + extension);
    std::FILE* devnull = std::fopen("/dev/null", "w");
    std::ostringstream err;
    const korvex::cli::CliStreams io{devnull, err, false};
    for (auto _ : state) {
        if (korvex::cli::RunCommandLine({"upload", "-o", out.string()}, {}, io) != 0) {
            state.SkipWithError(err.str().c_str());
            break;
        }
    }
    state.counters["bytes_written"] = static_cast<double>(std::filesystem::file_size(out));
    std::fclose(devnull);
    std::filesystem::remove(out);
}

void BM_CliUploadDemoToCan(benchmark::State& state) {
    Upload(state, ".can");
}
BENCHMARK(BM_CliUploadDemoToCan)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_CliUploadDemoToText(benchmark::State& state) {
    Upload(state, ".txt");
}
BENCHMARK(BM_CliUploadDemoToText)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
