// KorvexPro's start-up to the first painted main window, offscreen, with and
// without a recorder attached; and an upload of the demo recording through
// the program's own path (the upload worker, the library, the frame list).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/shell/KorvexShell.h"
#include "app/shell/MainFrame.h"
#include "app/shell/rules/UploadWorker.h"
#include "core/KorvexGlobal.h"
#include "pipeusb/include/pipeusb_sim.h"

namespace {

namespace fs = std::filesystem;

// Notes the first paint of the watched window.
class CPaintWatch : public QObject {
  public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

fs::path BenchFolder() {
    const fs::path folder =
        fs::temp_directory_path() / ("korvex-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    return folder;
}

void Startup(benchmark::State& state, const char* recorders) {
    PipeUsbSim_Configure(recorders);
    const fs::path folder = BenchFolder();
    for (auto _ : state) {
        CKorvexGlobal global(folder);
        korvex::shell::CKorvexShell shell(global, false);
        if (!shell.InitInstance()) {
            state.SkipWithError("start-up failed");
            break;
        }
        CPaintWatch watch;
        shell.MainFrame()->installEventFilter(&watch);
        while (!watch.painted) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        state.PauseTiming();
        shell.ExitInstance();
        state.ResumeTiming();
    }
    fs::remove_all(folder);
}

void BM_StartupToFirstPaintWithRecorder(benchmark::State& state) {
    Startup(state, "demo");
}
BENCHMARK(BM_StartupToFirstPaintWithRecorder)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_StartupToFirstPaintWithoutRecorder(benchmark::State& state) {
    Startup(state, "");
}
BENCHMARK(BM_StartupToFirstPaintWithoutRecorder)->Unit(benchmark::kMillisecond)->Iterations(10);

// What the worker reports goes nowhere; the clock list is applied in place.
class CDirectReport final : public korvex::shell::IUploadReport {
  public:
    explicit CDirectReport(CKorvexGlobal& global) : global(global) {}
    void ShowMessage(std::uint32_t, std::uint32_t) override {}
    void ShowRecorderProblem(std::uint32_t, const korvex::device::RecorderProblem&,
                             std::uint32_t) override {}
    void ShowStatus(const std::string&) override {}
    void ShowCancelled(int) override {}
    void SetWaitCursor(bool) override {}
    void RebuildClockList(std::vector<_VCI_CAN_OBJ> records) override {
        global.RebuildOrigTimeList(records.data(), static_cast<int>(records.size()));
    }

  private:
    CKorvexGlobal& global;
};

void BM_UploadDemoIntoTheFrameList(benchmark::State& state) {
    PipeUsbSim_Configure("demo");
    const fs::path folder = BenchFolder();
    CKorvexGlobal global(folder);
    korvex::shell::CKorvexShell shell(global, false);
    if (!shell.InitInstance()) {
        state.SkipWithError("start-up failed");
        return;
    }
    CDirectReport report(global);
    for (auto _ : state) {
        korvex::shell::CUploadState upload;
        upload.loading.store(1);
        korvex::shell::RunUploadWorker(global, upload, report, "总帧数");
        QCoreApplication::processEvents();
    }
    state.counters["frames"] = static_cast<double>(global.iRecordLength);
    shell.ExitInstance();
    fs::remove_all(folder);
}
BENCHMARK(BM_UploadDemoIntoTheFrameList)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
