// Data files at the scale of a full recorder: a 1,000,000-frame snapshot
// loaded through a frame store sink against one plain read of the same file,
// and the text export of 1,000,000 frames with the plug-in's column texts.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/DataFileReader.h"
#include "core/DataFileWriter.h"
#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"
#include "protolens/include/protolens.h"
#include "tests/support/FrameFactory.h"

namespace {

constexpr int kFrames = 1000000;

std::filesystem::path BenchFile(const char* name) {
    return std::filesystem::temp_directory_path() /
           ("korvex-bench-" + std::to_string(getpid()) + "-" + name);
}

// A store of kFrames frames with a realistic spread of identifiers and times.
CFrameStoreSink& FilledStore() {
    static CFrameStoreSink sink;
    if (sink.frameStore.GetCount() == 0) {
        sink.SetCapacity(kFrames);
        for (int i = 0; i < kFrames; ++i) {
            _VCI_CAN_OBJ f = korvex::test::MakeFrame(static_cast<std::uint32_t>(0x100 + i % 97),
                                                     static_cast<std::uint32_t>(i) * 37u);
            f.Reserved[1] = 0;
            sink.AddFrames(&f, 1, 1);
        }
    }
    return sink;
}

const std::filesystem::path& SnapshotFile() {
    static const std::filesystem::path path = [] {
        const std::filesystem::path p = BenchFile("snapshot.can");
        std::vector<OrigTimeEntry> clocks(3);
        korvex::WriteSnapshotFile(p, clocks, FilledStore().frameStore);
        return p;
    }();
    return path;
}

// The plug-in's column captions, with its frame words loaded as the program
// does at start-up.
const std::vector<std::string>& PluginCaptions() {
    static const std::vector<std::string> captions = [] {
        CFrameStoreSink columns;
        std::int32_t language = 0;
        SetControlList(&columns);
        IOCtl(15, &language, sizeof language, 0, 0);
        SetControlList(nullptr);
        return columns.captions;
    }();
    return captions;
}

void BM_PlainReadOfSnapshot(benchmark::State& state) {
    const std::filesystem::path& path = SnapshotFile();
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::size_t total = 0;
        std::size_t got;
        while ((got = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) total += got;
        std::fclose(f);
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_PlainReadOfSnapshot)->Unit(benchmark::kMillisecond);

// The same read into one buffer of the file's size, as a program that loads
// the whole file at once would do.
void BM_PlainReadIntoOneBuffer(benchmark::State& state) {
    const std::filesystem::path& path = SnapshotFile();
    const std::size_t size = std::filesystem::file_size(path);
    for (auto _ : state) {
        std::vector<char> buffer(size);
        std::FILE* f = std::fopen(path.c_str(), "rb");
        const std::size_t got = std::fread(buffer.data(), 1, size, f);
        std::fclose(f);
        benchmark::DoNotOptimize(got);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_PlainReadIntoOneBuffer)->Unit(benchmark::kMillisecond);

void BM_LoadSnapshotIntoFrameStore(benchmark::State& state) {
    const std::filesystem::path& path = SnapshotFile();
    CKorvexGlobal global;
    CFrameStoreSink sink;
    global.frameSinks[0] = {&sink};
    for (auto _ : state) {
        korvex::ReadSnapshotFile(path, global);
        benchmark::DoNotOptimize(sink.frameStore.GetCount());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_LoadSnapshotIntoFrameStore)->Unit(benchmark::kMillisecond);

void BM_WriteSnapshot(benchmark::State& state) {
    CFrameStoreSink& sink = FilledStore();
    const std::filesystem::path path = BenchFile("write.can");
    std::vector<OrigTimeEntry> clocks(3);
    for (auto _ : state) korvex::WriteSnapshotFile(path, clocks, sink.frameStore);
    std::filesystem::remove(path);
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_WriteSnapshot)->Unit(benchmark::kMillisecond);

void BM_WriteTextExport(benchmark::State& state) {
    CFrameStoreSink& sink = FilledStore();
    const std::filesystem::path path = BenchFile("export.txt");
    std::vector<OrigTimeEntry> clocks(3);
    const korvex::ExportRowContext context{0, &clocks, &AnalyCANFrame, {}};
    const std::vector<std::string>& captions = PluginCaptions();
    for (auto _ : state) korvex::WriteTextExportFile(path, captions, sink.frameStore, context);
    std::filesystem::remove(path);
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_WriteTextExport)->Unit(benchmark::kMillisecond);

void RemoveSnapshot() {
    std::filesystem::remove(SnapshotFile());
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    RemoveSnapshot();
    return 0;
}
