#include <gtest/gtest.h>

#include "app/framelist/rules/ClearList.h"
#include "app/resources/rules/BuiltInResources.h"
#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"
#include "tests/support/FrameFactory.h"

// The clear command behind both the frame list's menu and the main window's.
TEST(ClearList, EmptiesTheFirstListOnlyAndAlwaysGivesTheZeroTotal) {
    korvex::InstallBuiltInResources();
    CKorvexGlobal global;
    CFrameStoreSink first;
    CFrameStoreSink second;
    for (CFrameStoreSink* sink : {&first, &second}) {
        sink->SetCapacity(4);
        _VCI_CAN_OBJ frame = korvex::test::MakeFrame(0x123, 10);
        sink->AddFrames(&frame, 1, 1);
    }
    global.frameSinks[0] = {&first, &second};
    EXPECT_EQ(korvex::framelist::ClearCurrentList(global), "总帧数 ：0");
    EXPECT_EQ(first.frameStore.GetCount(), 0);
    EXPECT_EQ(second.frameStore.GetCount(), 1);

    global.frameSinks[0].clear();
    EXPECT_EQ(korvex::framelist::ClearCurrentList(global), "总帧数 ：0");
}
