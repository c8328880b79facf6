#include <array>
#include <cstdint>
#include <cstring>

#include "tests/logport/LogportSimFixture.h"

namespace logport::test {
namespace {

using UploadTest = LogportSimTest;

constexpr std::uint32_t kUntouched = 0xDEADBEEF;

TEST_F(UploadTest, EmptyRecorderGivesAnEmptyArrayWithoutBlockRequests) {
    OpenRecorderWith(0);
    std::uint32_t count = kUntouched;
    FrameArray frames = RunUpload(count);
    EXPECT_NE(frames, nullptr);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kUpload), 1u);
    EXPECT_EQ(LGP_GetAllLoadCount(), 0u);
    EXPECT_EQ(LGP_GetCurLoadCount(), 0u);
}

TEST_F(UploadTest, BlockCountFollowsTheRecordCount) {
    struct Case {
        std::uint32_t records, exchanges;
    };
    for (const Case c : {Case{1, 2}, Case{400, 2}, Case{401, 3}, Case{800, 3}, Case{801, 4}}) {
        OpenRecorderWith(c.records);
        std::uint32_t count = kUntouched;
        FrameArray frames = RunUpload(count);
        ASSERT_NE(frames, nullptr) << c.records;
        EXPECT_EQ(count, c.records);
        EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kUpload), c.exchanges) << c.records;
        ExpectSyntheticFrames(frames.get(), count);
        EXPECT_EQ(LGP_GetCurLoadCount(), c.records);
        EXPECT_EQ(LGP_GetAllLoadCount(), 0u);
        LGP_CloseDevice(kType, 0);
    }
}

TEST_F(UploadTest, CountRequestIsTriedThreeTimes) {
    OpenRecorderWith(10);
    Fault(PIPEUSB_SIM_NO_REPLY, kUpload, 0, 2);
    std::uint32_t count = kUntouched;
    FrameArray frames = RunUpload(count);
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(count, 10u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kUpload), 4u);

    // Three refusals: no array, count and counters as they were.
    Fault(PIPEUSB_SIM_STATUS_ERROR, kUpload, 0, 3);
    count = kUntouched;
    EXPECT_EQ(RunUpload(count), nullptr);
    EXPECT_EQ(count, kUntouched);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kUpload), 7u);
    EXPECT_EQ(LGP_GetCurLoadCount(), 10u);
    EXPECT_EQ(LGP_GetAllLoadCount(), 0u);
}

TEST_F(UploadTest, BlockIsTriedThreeTimes) {
    OpenRecorderWith(800);
    // Block 2 times out twice, then arrives.
    Fault(PIPEUSB_SIM_NO_REPLY, kUpload, 2, 2);
    std::uint32_t count = 0;
    FrameArray frames = RunUpload(count);
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(count, 800u);
    ExpectSyntheticFrames(frames.get(), count);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kUpload), 5u);

    // A reply for another command counts as a failed attempt too.
    Fault(PIPEUSB_SIM_WRONG_ECHO, kUpload, 2, 1);
    Fault(PIPEUSB_SIM_NO_REPLY, kUpload, 0, 1);
    frames = RunUpload(count);
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(count, 800u);
}

TEST_F(UploadTest, BlockFailingThreeTimesKeepsTheBlocksBeforeAndTheTotal) {
    OpenRecorderWith(1000);
    Fault(PIPEUSB_SIM_NO_REPLY, kUpload, 2, 3);
    std::uint32_t count = kUntouched;
    FrameArray frames = RunUpload(count);
    ASSERT_NE(frames, nullptr);
    ASSERT_EQ(count, 400u) << "block 1 only";
    ExpectSyntheticFrames(frames.get(), count);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kUpload), 5u) << "block 3 is never asked for";
    EXPECT_EQ(LGP_GetAllLoadCount(), 1000u) << "the total tells a cut-short upload";
    EXPECT_EQ(LGP_GetCurLoadCount(), 400u);
    EXPECT_EQ(LGP_CloseDevice(kType, 0), 1u) << "still attached";
}

TEST_F(UploadTest, UnplugMidUploadKeepsTheBlocksReceivedAndTheTotal) {
    OpenRecorderWith(2000);
    Fault(PIPEUSB_SIM_UNPLUG, kUpload, 3, 0);
    std::uint32_t count = kUntouched;
    FrameArray frames = RunUpload(count);
    ASSERT_NE(frames, nullptr);
    ASSERT_EQ(count, 800u) << "blocks 1 and 2";
    ExpectSyntheticFrames(frames.get(), count);
    EXPECT_EQ(LGP_GetAllLoadCount(), 2000u) << "the total tells a cut-short upload";
    EXPECT_EQ(LGP_GetCurLoadCount(), 800u);
    EXPECT_EQ(LGP_CloseDevice(kType, 0), 0u) << "the recorder is gone";
    EXPECT_EQ(LGP_OpenDevice(kType, 0, 0), 0u);
}

TEST_F(UploadTest, CancelBeforeTheUploadHasNoEffect) {
    OpenRecorderWith(500);
    LGP_CancelLoad();
    std::uint32_t count = 0;
    FrameArray frames = RunUpload(count);
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(count, 500u);
}

TEST_F(UploadTest, CountOutParameterIsRequired) {
    OpenRecorderWith(3);
    EXPECT_EQ(LGP_LoadFrame(kType, 0, nullptr), nullptr);
    EXPECT_EQ(LGP_GetOrigTimeList(kType, 0, nullptr), nullptr);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, 0), 0u);
}

TEST_F(UploadTest, RecordKindsAreConvertedOnTheWay) {
    using namespace korvex::test;
    RecorderImageContent content;
    content.records = {OrdinaryRecord(0x321, 10, 0x04, 0x00, 5, 0x30),
                       EventRecord(0xFE, 0x03, 20, 0x50),
                       ClockRecord({20, 26, 12, 6, 11, 30, 0}, 30),
                       OrdinaryRecord(0x1ABCDEF0, 0, 0xC8, 0xFF, 1, 0)};
    ASSERT_EQ(PipeUsbSim_Configure(WriteImage(content).c_str()), 1u);
    ASSERT_EQ(LGP_OpenDevice(kType, 0, 0), 1u);
    std::uint32_t count = 0;
    FrameArray frames = RunUpload(count);
    ASSERT_NE(frames, nullptr);
    ASSERT_EQ(count, 4u);
    const _VCI_CAN_OBJ* f = frames.get();

    EXPECT_EQ(f[0].ID, 0x321u);
    EXPECT_EQ(f[0].DataLen, 4);
    EXPECT_EQ(f[0].Data[0], 0x30);
    EXPECT_EQ(f[0].Reserved[0], 0);
    EXPECT_EQ(f[0].Reserved[1], 5);

    EXPECT_EQ(f[1].ID, 0u);
    EXPECT_EQ(f[1].Reserved[0], 0xFE);
    EXPECT_EQ(f[1].Reserved[2], 3);
    EXPECT_EQ(f[1].Data[0], 0x50);
    EXPECT_EQ(f[1].Data[7], 0x57);

    EXPECT_EQ(f[2].Reserved[0], 0xFF);
    EXPECT_EQ(f[2].Data[4], 11);
    EXPECT_EQ(f[2].TimeStamp, 30u);

    EXPECT_EQ(f[3].ExternFlag, 1);
    EXPECT_EQ(f[3].RemoteFlag, 1);
    EXPECT_EQ(f[3].DataLen, 8);
    EXPECT_EQ(f[3].TimeFlag, 0);
    EXPECT_EQ(f[3].SendType, 0xFF);
}

TEST_F(UploadTest, ClockListIsConverted) {
    korvex::test::RecorderImageContent content;
    content.clocks = {korvex::test::ClockRecord({20, 26, 12, 6, 11, 30, 0}, 100),
                      korvex::test::ClockRecord({20, 26, 12, 6, 12, 0, 5}, 0)};
    content.clocks[1][2] = 0x21;  // sub-code
    ASSERT_EQ(PipeUsbSim_Configure(WriteImage(content).c_str()), 1u);
    ASSERT_EQ(LGP_OpenDevice(kType, 0, 0), 1u);
    std::uint8_t count = 0x77;
    FrameArray clocks(LGP_GetOrigTimeList(kType, 0, &count));
    ASSERT_NE(clocks, nullptr);
    ASSERT_EQ(count, 2);
    const _VCI_CAN_OBJ* f = clocks.get();
    EXPECT_EQ(f[0].Reserved[0], 0xFF);
    EXPECT_EQ(f[0].TimeStamp, 100u);
    EXPECT_EQ(f[0].TimeFlag, 1);
    const std::uint8_t second[7] = {20, 26, 12, 6, 12, 0, 5};
    EXPECT_EQ(std::memcmp(f[1].Data, second, 7), 0);
    EXPECT_EQ(f[1].Reserved[2], 0x21);
    EXPECT_EQ(f[1].TimeFlag, 0);
    EXPECT_EQ(f[1].ID, 0u);

    Fault(PIPEUSB_SIM_NO_REPLY, 0x1A, 0, 1);
    count = 0x77;
    EXPECT_EQ(FrameArray(LGP_GetOrigTimeList(kType, 0, &count)), nullptr);
    EXPECT_EQ(count, 0x77);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, 0x1A), 2u) << "one attempt only";
}

TEST_F(UploadTest, ClockListHoldsAtMost255Records) {
    korvex::test::RecorderImageContent content;
    for (std::uint32_t i = 0; i < 300; ++i)
        content.clocks.push_back(korvex::test::ClockRecord({20, 26, 1, 1, 0, 0, 0}, i + 1));
    ASSERT_EQ(PipeUsbSim_Configure(WriteImage(content).c_str()), 1u);
    ASSERT_EQ(LGP_OpenDevice(kType, 0, 0), 1u);
    std::uint8_t count = 0;
    FrameArray clocks(LGP_GetOrigTimeList(kType, 0, &count));
    ASSERT_NE(clocks, nullptr);
    ASSERT_EQ(count, 255);
    EXPECT_EQ(clocks.get()[254].TimeStamp, 255u);
}

}  // namespace
}  // namespace logport::test
