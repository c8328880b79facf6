// The frame list opening a large .can snapshot file as the program does it
// (read in place, shown as it is read, the window looked after meanwhile):
// the time until the first rows are painted, the time until every frame is
// there, and the resident memory per frame once it is. The file is the one
// bench/scale.sh makes:
//
//   bench_open_recording FILE.can [benchmark options]
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <string>

#include "app/framelist/KorvexList.h"
#include "app/resources/rules/BuiltInResources.h"
#include "app/shell/FileLoadPump.h"
#include "bench/ResidentBytes.h"
#include "core/DataFileReader.h"
#include "core/KorvexGlobal.h"
#include "protolens/include/protolens.h"

namespace {

std::string recording;

void BM_OpenRecording(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        CKorvexGlobal global;
        CKorvexList list(global);
        korvex::InstallBuiltInResources();
        global.frameSinks[0] = {&list};
        SetControlList(&list);
        std::int32_t language = 0;
        IOCtl(15, &language, sizeof language, 0, 0);
        list.resize(1280, 800);
        list.show();
        QCoreApplication::processEvents();
        const long before = korvex::bench::ResidentBytes();

        const Clock::time_point start = Clock::now();
        double firstRows = -1;
        korvex::shell::CFileLoadPump pump(global, [&](long long) {
            if (firstRows >= 0 || list.Record().frameStore.GetCount() == 0) return;
            list.viewport()->repaint();
            firstRows = std::chrono::duration<double>(Clock::now() - start).count();
        });
        const korvex::DataFileStatus status =
            korvex::ReadSnapshotFile(recording, global, {}, korvex::kFrameTotalLabel, pump.Split());
        const double whole = std::chrono::duration<double>(Clock::now() - start).count();
        QCoreApplication::processEvents();
        const long after = korvex::bench::ResidentBytes();
        const double frames = list.Record().frameStore.GetCount();
        if (status != korvex::DataFileStatus::kOk || frames == 0) {
            state.SkipWithError("the recording could not be read");
            break;
        }
        state.counters["frames"] = frames;
        state.counters["first_rows_s"] = firstRows;
        state.counters["all_frames_s"] = whole;
        state.counters["resident_B_per_frame"] = after / frames;
        state.counters["added_B_per_frame"] = (after - before) / frames;
        SetControlList(nullptr);
    }
}
BENCHMARK(BM_OpenRecording)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE.can [benchmark options]\n", argv[0]);
        return 2;
    }
    recording = argv[1];
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
