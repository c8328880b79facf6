#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"
#include "tests/support/FrameFactory.h"

namespace {

// A frame list that counts the torn or foreign frames it is handed.
struct CWholeFrameSink : CFrameStoreSink {
    void AddFrames(_VCI_CAN_OBJ* frames, int count, int received) override {
        for (int i = 0; i < count; ++i) torn += !korvex::test::IsFrameFromCounter(frames[i]);
        CFrameStoreSink::AddFrames(frames, count, received);
    }
    std::atomic<int> torn{0};
};

// An import confirmed on the window's thread while the upload's worker hands
// its frames to the list: each hand-over copies into a buffer of its own.
TEST(KorvexGlobalConcurrency, ImportDuringAnUploadHandsOverWholeFrames) {
    CKorvexGlobal global;
    CWholeFrameSink list;
    global.frameSinks[0] = {&list};
    std::vector<_VCI_CAN_OBJ> uploaded;
    std::vector<_VCI_CAN_OBJ> imported;
    for (std::uint32_t n = 0; n < 60000; ++n) uploaded.push_back(korvex::test::FrameFromCounter(n));
    for (std::uint32_t n = 0; n < 9000; ++n) imported.push_back(korvex::test::FrameFromCounter(~n));

    std::atomic<bool> uploading{true};
    std::thread worker([&] {
        for (int round = 0; round < 4; ++round) global.AddUploadFrames(uploaded.data(), 60000);
        uploading = false;
    });
    for (int imports = 0; uploading || imports == 0; ++imports)
        global.AddFileFrames(imported.data(), 9000);
    worker.join();
    EXPECT_EQ(list.torn, 0);
}

}  // namespace
