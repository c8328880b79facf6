#include <QtTest>
#include <atomic>
#include <cstring>
#include <thread>

#include "core/FrameRowText.h"
#include "tests/app/framelist/FrameListFixture.h"
#include "tests/support/FrameFactory.h"
#include "tests/support/TempFolder.h"

using korvex::test::FrameFromCounter;
using korvex::test::FrameListFixture;
using korvex::test::ReadBytes;
using korvex::test::TempFolder;

namespace {

// How often a worker that is given a toggle count waits for the next toggle,
// so that saving is switched many times however the threads are scheduled.
constexpr std::uint32_t kFramesPerToggle = 5000;

// The worker only adds frames: runs of 1 to 37 frames numbered from 0.
void AddNumberedRuns(CKorvexList& list, std::uint32_t total, std::vector<std::uint32_t>* whileOn,
                     std::atomic<std::uint32_t>* progress = nullptr,
                     const std::atomic<int>* toggles = nullptr) {
    std::vector<_VCI_CAN_OBJ> run;
    std::uint32_t next = 0;
    std::uint32_t nextPause = kFramesPerToggle;
    while (next < total) {
        if (toggles != nullptr && next >= nextPause) {
            const int seen = toggles->load();
            while (toggles->load() == seen) std::this_thread::yield();
            nextPause += kFramesPerToggle;
        }
        const std::uint32_t length = std::min<std::uint32_t>(1 + next % 37, total - next);
        run.clear();
        for (std::uint32_t i = 0; i < length; ++i) {
            _VCI_CAN_OBJ frame = FrameFromCounter(next + i);
            frame.SendType = 0;  // received: the list must not change it
            run.push_back(frame);
        }
        // Saving may go off and on again (a new file) while the run is added,
        // and then the run is rightly in no file: a run counts as added while
        // on only when no toggle came between.
        const int togglesBefore = toggles != nullptr ? toggles->load() : 0;
        const bool onBefore = list.IsRealTimeSaving() == 1;
        list.AddFrames(run.data(), static_cast<int>(length), 1);
        const bool onAfter = list.IsRealTimeSaving() == 1;
        const bool toggled = toggles != nullptr && toggles->load() != togglesBefore;
        if (whileOn != nullptr && onBefore && onAfter && !toggled) {
            for (std::uint32_t i = 0; i < length; ++i) whileOn->push_back(next + i);
        }
        next += length;
        if (progress != nullptr) progress->store(next);
    }
}

}  // namespace

class KorvexListConcurrencyTest : public QObject {
    Q_OBJECT

  private slots:
    void framesAddedWhileTheViewPaints();
    void realTimeSaveToggledWhileFramesArrive();
};

void KorvexListConcurrencyTest::framesAddedWhileTheViewPaints() {
    FrameListFixture f;
    f.list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.list));
    constexpr std::uint32_t kTotal = 200000;
    constexpr int kCapacity = 50000;
    f.list.SetCapacity(kCapacity);
    // Text lines take the plug-in's texts on the worker while the cells take
    // them here.
    TempFolder dir;
    f.ui.fileAnswer = dir.File("painted.txt");
    f.list.ToggleRealTimeSave();
    std::atomic<bool> done{false};
    std::thread worker([&] {
        AddNumberedRuns(f.list, kTotal, nullptr);
        done = true;
    });
    // A few rows stay selected: copying them takes the same plug-in texts as
    // the worker's text lines.
    f.list.selectionModel()->select(
        QItemSelection(f.list.model()->index(0, 0), f.list.model()->index(3, 0)),
        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    int paints = 0;
    while (!done || paints < 3) {
        f.list.Redraw();
        f.list.RefreshAndScroll(paints % 2);
        f.list.viewport()->repaint();
        f.list.CopySelectedRows();
        ++paints;
    }
    worker.join();
    f.list.ToggleRealTimeSave();
    QVERIFY(paints >= 3);
    const std::string text = ReadBytes(dir / "painted.txt");
    std::size_t start = text.find("\r\n") + 2;
    const korvex::ExportRowContext context = f.global.ExportContext(&AnalyCANFrame);
    for (std::uint32_t row = 0; row < kTotal; ++row) {
        const std::size_t end = text.find("\r\n", start);
        QVERIFY(end != std::string::npos);
        if (row % 1009 == 0) {
            _VCI_CAN_OBJ frame = FrameFromCounter(row);
            frame.SendType = 0;
            std::string expected;
            korvex::AppendExportLine(expected, row, frame, context);
            QCOMPARE(text.substr(start, end + 2 - start), expected);
        }
        start = end + 2;
    }
    QCOMPARE(start, text.size());
    // The store kept the newest frames, whole and in order.
    CKorvexListRecord& record = f.list.Record();
    QCOMPARE(record.frameStore.GetCount(), kCapacity);
    _VCI_CAN_OBJ frame;
    for (int i = 0; i < kCapacity; i += 997) {
        QVERIFY(record.frameStore.Get(i, &frame));
        _VCI_CAN_OBJ expected =
            FrameFromCounter(kTotal - kCapacity + static_cast<std::uint32_t>(i));
        expected.SendType = 0;
        QCOMPARE(std::memcmp(&frame, &expected, sizeof frame), 0);
    }
}

void KorvexListConcurrencyTest::realTimeSaveToggledWhileFramesArrive() {
    FrameListFixture f;
    TempFolder dir;
    constexpr std::uint32_t kTotal = 300000;
    f.list.SetCapacity(1000);
    std::vector<std::uint32_t> whileOn;
    std::atomic<bool> done{false};
    std::atomic<std::uint32_t> progress{0};
    std::atomic<int> toggles{0};
    std::thread worker([&] {
        AddNumberedRuns(f.list, kTotal, &whileOn, &progress, &toggles);
        done = true;
    });
    std::vector<std::string> files;
    while (!done) {
        files.push_back(dir.File("rt" + std::to_string(files.size()) + ".can"));
        f.ui.fileAnswer = files.back();
        f.list.ToggleRealTimeSave();  // on
        // Stay on for a while (bounded: the worker may be waiting for the
        // next toggle), so that on and off both meet runs in flight.
        const std::uint32_t from = progress.load();
        for (int i = 0; i < 1000 && !done && progress.load() < from + 500; ++i)
            std::this_thread::yield();
        f.list.ToggleRealTimeSave();  // off
        ++toggles;
    }
    worker.join();
    QVERIFY(files.size() >= kTotal / kFramesPerToggle);
    QVERIFY(!whileOn.empty());
    QCOMPARE(f.list.IsRealTimeSaving(), 0);

    // Each file holds whole frames, in order, none written twice; every frame
    // added while saving stayed on is in one of them.
    std::vector<bool> seen(kTotal, false);
    std::uint32_t last = 0;
    bool any = false;
    for (const std::string& file : files) {
        const std::string bytes = ReadBytes(file);
        QVERIFY(bytes.size() >= 20);
        QCOMPARE((bytes.size() - 20) % 24, std::size_t{0});
        for (std::size_t at = 20; at < bytes.size(); at += 24) {
            _VCI_CAN_OBJ frame;
            std::memcpy(&frame, bytes.data() + at, sizeof frame);
            QVERIFY(frame.ID < kTotal);
            QVERIFY(!seen[frame.ID]);
            QVERIFY(!any || frame.ID > last);
            seen[frame.ID] = true;
            last = frame.ID;
            any = true;
        }
    }
    for (std::uint32_t id : whileOn) QVERIFY(seen[id]);
}

QTEST_MAIN(KorvexListConcurrencyTest)
#include "KorvexListConcurrencyTest.moc"
