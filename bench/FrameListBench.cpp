// The frame list at ten million frames, on the offscreen platform: setting
// the capacity and showing the list, painting one screen, scrolling to the
// last row, the memory each row costs beyond its frame, the text export of a
// million frames and the real-time save's throughput to text and to .can.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QHeaderView>
#include <QPixmap>
#include <QScrollBar>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/framelist/KorvexList.h"
#include "app/resources/rules/BuiltInResources.h"
#include "bench/ResidentBytes.h"
#include "core/KorvexGlobal.h"
#include "protolens/include/protolens.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/FrameFactory.h"

namespace {

constexpr int kManyFrames = 10000000;
constexpr int kExportFrames = 1000000;
constexpr int kRunLength = 4096;

std::filesystem::path BenchFile(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("korvex-bench-" + std::to_string(getpid()) + "-" + name);
}

std::vector<_VCI_CAN_OBJ> Run(std::uint32_t first) {
    std::vector<_VCI_CAN_OBJ> run(kRunLength);
    for (int i = 0; i < kRunLength; ++i) {
        const std::uint32_t n = first + static_cast<std::uint32_t>(i);
        run[static_cast<std::size_t>(i)] =
            korvex::test::MakeFrame(0x100 + n % 97, n * 37u, 0, 0, 0);
    }
    return run;
}

// Paints the visible part of the list, as a screen update would.
void PaintScreen(CKorvexList& list) {
    QPixmap screen(list.viewport()->size());
    list.viewport()->render(&screen);
    benchmark::DoNotOptimize(screen.cacheKey());
}

// One list with the plug-in's columns, as the program builds it.
struct Bench {
    Bench() : list(global) {
        korvex::InstallBuiltInResources();
        global.frameSinks[0] = {&list};
        global.origTimeList.resize(1);
        SetControlList(&list);
        std::int32_t language = 0;
        IOCtl(15, &language, sizeof language, 0, 0);
        list.resize(1280, 800);
    }
    ~Bench() { SetControlList(nullptr); }

    void Fill(int frames) {
        list.SetCapacity(frames);
        std::vector<_VCI_CAN_OBJ> run = Run(0);
        for (int added = 0; added < frames; added += kRunLength) {
            list.AddFrames(run.data(), std::min(kRunLength, frames - added), 1);
        }
        QCoreApplication::processEvents();
    }

    CKorvexGlobal global;
    korvex::test::FakeUiServices ui;
    CKorvexList list;
};

Bench& Shared() {
    static Bench bench;
    return bench;
}

void BM_SetCapacityAndShow10M(benchmark::State& state) {
    Bench& b = Shared();
    b.list.show();
    std::vector<_VCI_CAN_OBJ> run = Run(0);
    for (auto _ : state) {
        b.list.SetCapacity(kManyFrames);
        state.PauseTiming();
        for (int added = 0; added < kManyFrames; added += kRunLength)
            b.list.AddFrames(run.data(), kRunLength, 1);
        state.ResumeTiming();
        b.list.Redraw();
        PaintScreen(b.list);
    }
}
BENCHMARK(BM_SetCapacityAndShow10M)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PaintOneScreen10M(benchmark::State& state) {
    Bench& b = Shared();
    if (b.list.Record().frameStore.GetCount() != kManyFrames) b.Fill(kManyFrames);
    b.list.show();
    b.list.verticalScrollBar()->setValue(kManyFrames / 2);
    for (auto _ : state) PaintScreen(b.list);
    state.counters["rows"] = static_cast<double>(b.list.viewport()->height()) / b.list.rowHeight();
}
BENCHMARK(BM_PaintOneScreen10M)->Unit(benchmark::kMillisecond);

void BM_ScrollToLastRow10M(benchmark::State& state) {
    Bench& b = Shared();
    if (b.list.Record().frameStore.GetCount() != kManyFrames) b.Fill(kManyFrames);
    b.list.show();
    for (auto _ : state) {
        b.list.verticalScrollBar()->setValue(0);
        b.list.RefreshAndScroll(1);
        PaintScreen(b.list);
    }
}
BENCHMARK(BM_ScrollToLastRow10M)->Unit(benchmark::kMillisecond);

// What the list and its view keep per row beyond the 24-byte frame.
void BM_MemoryPerRow10M(benchmark::State& state) {
    for (auto _ : state) {
        CKorvexGlobal global;
        const long before = korvex::bench::ResidentBytes();
        auto list = std::make_unique<CKorvexList>(global);
        list->resize(1280, 800);
        list->show();
        list->SetCapacity(kManyFrames);
        std::vector<_VCI_CAN_OBJ> run = Run(0);
        for (int added = 0; added < kManyFrames; added += kRunLength)
            list->AddFrames(run.data(), kRunLength, 1);
        PaintScreen(*list);
        const long after = korvex::bench::ResidentBytes();
        state.counters["bytes_per_row_beyond_frame"] =
            static_cast<double>(after - before) / kManyFrames - sizeof(_VCI_CAN_OBJ);
    }
}
BENCHMARK(BM_MemoryPerRow10M)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ExportText1M(benchmark::State& state) {
    Bench& b = Shared();
    b.Fill(kExportFrames);
    b.ui.fileAnswer = BenchFile("export.txt").string();
    for (auto _ : state) b.list.ExportToFile();
    std::filesystem::remove(b.ui.fileAnswer);
    state.SetItemsProcessed(state.iterations() * kExportFrames);
}
BENCHMARK(BM_ExportText1M)->Unit(benchmark::kMillisecond);

// Frames arriving in runs while real-time save is on.
void RealTimeSave(benchmark::State& state, const char* name) {
    Bench& b = Shared();
    b.list.SetCapacity(kExportFrames);
    b.ui.fileAnswer = BenchFile(name).string();
    b.list.ToggleRealTimeSave();
    std::vector<_VCI_CAN_OBJ> run = Run(0);
    for (auto _ : state) b.list.AddFrames(run.data(), kRunLength, 1);
    b.list.ToggleRealTimeSave();
    std::filesystem::remove(b.ui.fileAnswer);
    state.SetItemsProcessed(state.iterations() * kRunLength);
}

void BM_RealTimeSaveText(benchmark::State& state) {
    RealTimeSave(state, "rt.txt");
}
BENCHMARK(BM_RealTimeSaveText)->UseRealTime();

void BM_RealTimeSaveCan(benchmark::State& state) {
    RealTimeSave(state, "rt.can");
}
BENCHMARK(BM_RealTimeSaveCan)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
