// A data file read into the frame list on the window's thread: the first rows
// are there while the rest is read, Esc ends the load keeping what was read,
// and the status bar's count ends at the frames loaded.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <fstream>
#include <string>
#include <vector>

#include "app/framelist/KorvexList.h"
#include "app/resources/rules/BuiltInResources.h"
#include "app/shell/FileLoadPump.h"
#include "core/DataFileReader.h"
#include "core/KorvexGlobal.h"
#include "protolens/include/protolens.h"
#include "tests/support/FrameFactory.h"
#include "tests/support/QtTestApplication.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr int kFrames = 300000;

std::filesystem::path WriteStreamFile(const korvex::test::TempFolder& folder) {
    std::string bytes(korvex::kDataFileSignature, 16);
    bytes.append(4, '\0');
    for (std::uint32_t i = 0; i < kFrames; ++i) {
        const _VCI_CAN_OBJ frame = korvex::test::MakeFrame(i % 2048, i);
        bytes.append(reinterpret_cast<const char*>(&frame), sizeof frame);
    }
    const std::filesystem::path path = folder / "many.can";
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

TEST(FileLoadPump, FirstRowsShowWhileReadingAndEscKeepsWhatWasRead) {
    korvex::test::TempFolder folder;
    const std::filesystem::path path = WriteStreamFile(folder);
    for (const bool pressEscape : {false, true}) {
        CKorvexGlobal global;
        CKorvexList list(global);
        korvex::InstallBuiltInResources();
        global.frameSinks[0] = {&list};
        SetControlList(&list);
        std::vector<long long> counts;
        int storedAtFirst = -1;
        bool busyMeanwhile = false;
        korvex::shell::CFileLoadPump pump(global, [&](long long count) {
            counts.push_back(count);
            if (storedAtFirst >= 0) return;
            storedAtFirst = list.Record().frameStore.GetCount();
            busyMeanwhile = korvex::shell::CFileLoadPump::Busy();
            if (pressEscape)
                QCoreApplication::postEvent(
                    &list, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        });
        korvex::PassSplit split = pump.Split();
        split.blockItems = 10000;
        ASSERT_EQ(korvex::ReadStreamFile(path, global, {}, korvex::kFrameTotalLabel, split),
                  korvex::DataFileStatus::kOk);
        pump.Finish();
        const int stored = list.Record().frameStore.GetCount();
        EXPECT_GT(storedAtFirst, 0);
        EXPECT_LT(storedAtFirst, kFrames);
        EXPECT_TRUE(busyMeanwhile);
        EXPECT_EQ(pump.Cancelled(), pressEscape);
        if (pressEscape) {
            EXPECT_LT(stored, kFrames);
            EXPECT_GE(stored, storedAtFirst);
        } else {
            EXPECT_EQ(stored, kFrames);
        }
        ASSERT_FALSE(counts.empty());
        EXPECT_EQ(counts.back(), stored);
        EXPECT_EQ(global.frameCountRx[0] + global.frameCountTx[0],
                  static_cast<std::uint64_t>(stored));
        SetControlList(nullptr);
    }
    EXPECT_FALSE(korvex::shell::CFileLoadPump::Busy());
}

}  // namespace
