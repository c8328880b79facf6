#include "core/KorvexGlobal.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/FrameFactory.h"
#include "tests/support/RecordingSink.h"

namespace {

using korvex::test::MakeFrame;
using korvex::test::RecordingSink;

TEST(KorvexGlobal, FileFramesGoToEverySinkWithCounting) {
    CKorvexGlobal global;
    RecordingSink first;
    RecordingSink second;
    global.frameSinks[0] = {&first, &second};

    const std::vector<_VCI_CAN_OBJ> frames{MakeFrame(0x100, 10), MakeFrame(0x200, 20, 0xFF),
                                           MakeFrame(0x300, 30, 1)};
    global.AddFileFrames(frames.data(), static_cast<int>(frames.size()));

    EXPECT_EQ(first.calls, (std::vector<std::string>{"SetCapacity(3)", "AddFrames", "AddFrames",
                                                     "AddFrames", "Redraw"}));
    EXPECT_EQ(second.calls,
              (std::vector<std::string>{"AddFrames", "AddFrames", "AddFrames", "Redraw"}));
    for (const RecordingSink* sink : {&first, &second}) {
        ASSERT_EQ(sink->added.size(), 3u);
        EXPECT_EQ(sink->added[0].received, 1);
        EXPECT_EQ(sink->added[1].received, 0);  // SendType 0xFF: transmitted
        EXPECT_EQ(sink->added[1].frame.SendType, 0xFF);
        EXPECT_EQ(sink->added[2].received, 1);
        EXPECT_EQ(sink->added[2].frame.ID, 0x300u);
    }
    EXPECT_EQ(global.frameCountTotal[0], 3u);
    EXPECT_EQ(global.frameCountTx[0], 1u);
    EXPECT_EQ(global.frameCountRx[0], 2u);

    global.AddFileFrames(frames.data(), 1);
    EXPECT_EQ(global.frameCountTotal[0], 4u);
    EXPECT_EQ(global.frameCountRx[0], 3u);
}

TEST(KorvexGlobal, FileFramesWithoutSinksAreStillCounted) {
    CKorvexGlobal global;
    const _VCI_CAN_OBJ frame = MakeFrame(1, 1, 0xFF);
    global.AddFileFrames(&frame, 1);
    EXPECT_EQ(global.frameCountTotal[0], 1u);
    EXPECT_EQ(global.frameCountTx[0], 1u);
}

TEST(KorvexGlobal, UploadFramesGoToTheFirstSinkOnlyWithoutCounting) {
    CKorvexGlobal global;
    RecordingSink first;
    RecordingSink second;
    global.frameSinks[0] = {&first, &second};

    const std::vector<_VCI_CAN_OBJ> frames{MakeFrame(0, 5, 0, korvex::kEventClockRecord),
                                           MakeFrame(0x10, 10, 0xFF),
                                           MakeFrame(0, 15, 0, korvex::kEventSpanMarker),
                                           MakeFrame(0, 20, 0, 225), MakeFrame(0x20, 25)};
    const int shown = global.AddUploadFrames(frames.data(), static_cast<int>(frames.size()));

    EXPECT_EQ(shown, 3);
    EXPECT_EQ(global.iRecordLength, 5);
    // The shown frames go over in runs, broken where a clock or marker record
    // is left out.
    EXPECT_EQ(first.calls,
              (std::vector<std::string>{"SetCapacity(5)", "AddFrames", "AddFrames", "Redraw"}));
    EXPECT_EQ(second.calls, std::vector<std::string>{"SetCapacity(5)"});
    ASSERT_EQ(first.added.size(), 3u);
    EXPECT_EQ(first.added[0].frame.ID, 0x10u);
    EXPECT_EQ(first.added[0].received, 1);  // keeps its own SendType
    EXPECT_EQ(first.added[0].frame.SendType, 0xFF);
    EXPECT_EQ(first.added[1].frame.Reserved[0], 225);
    EXPECT_EQ(first.added[2].frame.ID, 0x20u);
    EXPECT_EQ(global.frameCountTotal[0], 0u);
    EXPECT_EQ(global.frameCountRx[0], 0u);
    EXPECT_EQ(global.frameCountTx[0], 0u);
}

TEST(KorvexGlobal, EmptyUploadSizesTheSinksForOneFrame) {
    CKorvexGlobal global;
    RecordingSink sink;
    global.frameSinks[0] = {&sink};
    EXPECT_EQ(global.AddUploadFrames(nullptr, 0), 0);
    EXPECT_EQ(global.iRecordLength, 1);
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"SetCapacity(1)", "Redraw"}));
}

TEST(KorvexGlobal, OrigTimeListIsRebuiltFromClockRecordsOnly) {
    CKorvexGlobal global;
    global.origTimeList.resize(5);
    _VCI_CAN_OBJ clockA = MakeFrame(0, 100, 0, korvex::kEventClockRecord);
    clockA.Data[4] = 8;
    _VCI_CAN_OBJ clockB = MakeFrame(0, 200, 0, korvex::kEventClockRecord);
    clockB.Data[4] = 9;
    clockB.Reserved[2] = 3;
    const std::vector<_VCI_CAN_OBJ> records{clockA, MakeFrame(0x55, 150), clockB};
    global.RebuildOrigTimeList(records.data(), static_cast<int>(records.size()));
    ASSERT_EQ(global.origTimeList.size(), 2u);
    EXPECT_EQ(global.origTimeList[0].hour, 8);
    EXPECT_EQ(std::uint32_t{global.origTimeList[0].timeStamp}, 100u);  // packed field: copy first
    EXPECT_EQ(global.origTimeList[1].hour, 9);
    EXPECT_EQ(global.origTimeList[1].bitRateIndex, 3);
}

}  // namespace
