// Upload progress and cancellation seen from a second thread, as the
// program's user-interface thread sees them while a worker uploads. The
// virtual recorder holds one block in flight with a delay; the test waits on
// the recorder's exchange count, never on time.

#include <cstdint>
#include <thread>

#include "tests/logport/LogportSimFixture.h"

namespace logport::test {
namespace {

class UploadProgress : public LogportSimTest {
  protected:
    void StartUpload() {
        worker = std::thread([this] { frames.reset(LGP_LoadFrame(kType, 0, &count)); });
    }

    // Waits until the recorder has taken `exchanges` upload requests; the last
    // of them is then being held by its delay.
    static void WaitForExchanges(std::uint32_t exchanges) {
        while (PipeUsbSim_ExchangeCount(0, kUpload) < exchanges) std::this_thread::yield();
    }

    void Finish() { worker.join(); }

    std::thread worker;
    FrameArray frames;
    std::uint32_t count = 0;
};

// 2000 records are five blocks; the count request is upload exchange 1, so
// block 3 is exchange 4.
TEST_F(UploadProgress, CancelWhileBlock3ArrivesKeepsIt) {
    OpenRecorderWith(2000);
    Fault(PIPEUSB_SIM_DELAY, kUpload, 3, 1, 1500);
    StartUpload();
    WaitForExchanges(4);
    EXPECT_EQ(LGP_GetAllLoadCount(), 2000u);
    EXPECT_EQ(LGP_GetCurLoadCount(), 800u);
    LGP_CancelLoad();
    Finish();
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(count, 1200u);
    ExpectSyntheticFrames(frames.get(), count);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kUpload), 4u) << "block 4 is never asked for";
    EXPECT_EQ(LGP_GetAllLoadCount(), 0u);
    EXPECT_EQ(LGP_GetCurLoadCount(), 1200u);
}

TEST_F(UploadProgress, CancelWhileBlock3TimesOutEndsWithTwoBlocks) {
    OpenRecorderWith(2000);
    // Longer than the 2 s bulk read time-out: the attempt fails.
    Fault(PIPEUSB_SIM_DELAY, kUpload, 3, 1, 2500);
    StartUpload();
    WaitForExchanges(4);
    LGP_CancelLoad();
    Finish();
    ASSERT_NE(frames, nullptr) << "a cancel is a normal end, not a failure";
    EXPECT_EQ(count, 800u);
    ExpectSyntheticFrames(frames.get(), count);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kUpload), 4u) << "no retry after the cancel";
    EXPECT_EQ(LGP_GetAllLoadCount(), 0u);
    EXPECT_EQ(LGP_GetCurLoadCount(), 800u);
}

TEST_F(UploadProgress, CountersClimbBlockByBlock) {
    OpenRecorderWith(401);
    Fault(PIPEUSB_SIM_DELAY, kUpload, 2, 1, 1500);
    StartUpload();
    WaitForExchanges(3);
    EXPECT_EQ(LGP_GetAllLoadCount(), 401u);
    EXPECT_EQ(LGP_GetCurLoadCount(), 400u);
    Finish();
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(count, 401u);
    EXPECT_EQ(LGP_GetAllLoadCount(), 0u);
    EXPECT_EQ(LGP_GetCurLoadCount(), 401u);
}

TEST_F(UploadProgress, TotalReadsZeroUntilTheCountIsKnown) {
    OpenRecorderWith(401);
    std::uint32_t first = 0;
    FrameArray previous(LGP_LoadFrame(kType, 0, &first));
    ASSERT_NE(previous, nullptr);
    // The count request of the next upload is held; the counters still show
    // the end of the previous upload.
    Fault(PIPEUSB_SIM_DELAY, kUpload, 0, 1, 1500);
    const std::uint32_t before = PipeUsbSim_ExchangeCount(0, kUpload);
    StartUpload();
    WaitForExchanges(before + 1);
    EXPECT_EQ(LGP_GetAllLoadCount(), 0u);
    EXPECT_EQ(LGP_GetCurLoadCount(), 401u);
    Finish();
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(count, 401u);
}

}  // namespace
}  // namespace logport::test
