#include <array>
#include <cstdint>
#include <cstring>

#include "tests/logport/LogportSimFixture.h"

namespace logport::test {
namespace {

constexpr std::uint8_t kSetPreFrame = 0x12;
constexpr std::uint8_t kSetFilter = 0x13;
constexpr std::uint8_t kGetPreFrame = 0x15;
constexpr std::uint8_t kGetFilter = 0x16;

class Config : public LogportSimTest {
  protected:
    void SetUp() override {
        LogportSimTest::SetUp();
        OpenRecorderWith(0);
    }

    static std::array<_VCI_CAN_OBJ, 6> Presets(std::uint32_t seed) {
        std::array<_VCI_CAN_OBJ, 6> frames{};
        for (std::uint32_t i = 0; i < 6; ++i) {
            _VCI_CAN_OBJ& f = frames[i];
            f.ID = seed + i;
            f.TimeStamp = 1000 * (i + 1);
            f.TimeFlag = 1;
            f.SendType = static_cast<std::uint8_t>(i);
            f.ExternFlag = i & 1;
            f.DataLen = static_cast<std::uint8_t>(i + 2);
            for (int k = 0; k < 8; ++k) f.Data[k] = static_cast<std::uint8_t>(seed + i * 8 + k);
        }
        return frames;
    }

    // What reading back a written preset gives: the checksum byte lands in
    // the data byte after the last used one.
    static bool SameFrame(const _VCI_CAN_OBJ& read, const _VCI_CAN_OBJ& written) {
        return read.ID == written.ID && read.TimeStamp == written.TimeStamp &&
               read.SendType == written.SendType && read.ExternFlag == written.ExternFlag &&
               read.DataLen == written.DataLen &&
               std::memcmp(read.Data, written.Data, written.DataLen) == 0;
    }
};

TEST_F(Config, BaseInfoRoundTripAndUntouchedOnFailure) {
    BaseInfo written{};
    written.dwTiming = 0x001C0000;
    written.dwCustomFlag = 1;
    written.dwCustomTiming = 0x001C0000;
    written.dwSendInterval = 250;
    written.dwResistor = 1;
    written.bFilterEnable = 1;
    written.bMode = 1;
    written.bIoOutput = 1;
    const std::uint8_t clock[7] = {20, 26, 12, 6, 11, 30, 0};
    std::memcpy(&written.bCentury, clock, 7);
    ASSERT_EQ(LGP_SetBaseInfo(kType, 0, &written), 1u);
    BaseInfo read;
    std::memset(&read, 0xCC, sizeof read);
    ASSERT_EQ(LGP_GetBaseInfo(kType, 0, &read), 1u);
    EXPECT_EQ(std::memcmp(&read, &written, sizeof read), 0);

    Fault(PIPEUSB_SIM_NO_REPLY, 0x14, 0, 1);
    std::memset(&read, 0xCC, sizeof read);
    EXPECT_EQ(LGP_GetBaseInfo(kType, 0, &read), 0u);
    for (std::size_t i = 0; i < sizeof read; ++i)
        ASSERT_EQ(reinterpret_cast<const std::uint8_t*>(&read)[i], 0xCC);
    Fault(PIPEUSB_SIM_STATUS_ERROR, 0x11, 0, 1);
    EXPECT_EQ(LGP_SetBaseInfo(kType, 0, &written), 0u);

    // Missing records are refused before anything is sent.
    const std::uint32_t exchanges = PipeUsbSim_ExchangeCount(0, 0);
    EXPECT_EQ(LGP_GetBaseInfo(kType, 0, nullptr), 0u);
    EXPECT_EQ(LGP_SetBaseInfo(kType, 0, nullptr), 0u);
    EXPECT_EQ(LGP_GetFilterInfo(kType, 0, nullptr), 0u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, 0), exchanges);
}

TEST_F(Config, SetReferenceChecks) {
    const FilterRange id{0, 0x100, 0x100};
    EXPECT_EQ(LGP_SetReference(22, 0, 0, LGP_REF_ADD, &id), 0u);
    EXPECT_EQ(LGP_SetReference(kType, 1, 0, LGP_REF_ADD, &id), 0u);
    EXPECT_EQ(LGP_SetReference(kType, 0, 2, LGP_REF_ADD, &id), 0u);
    EXPECT_EQ(LGP_SetReference(kType, 0, 0, 2, &id), 0u);
    EXPECT_EQ(LGP_SetReference(kType, 0, 0, LGP_REF_ADD, nullptr), 0u);
    const FilterRange reversed{0, 0x20, 0x10};
    EXPECT_EQ(LGP_SetReference(kType, 0, 0, LGP_REF_ADD, &reversed), 0u);
    EXPECT_EQ(LGP_SetReference(kType, 0, 2, LGP_REF_CLEAR, &id), 0u);

    // None of those changed the lists: the written table is empty.
    ASSERT_EQ(LGP_SetFilterInfo(kType, 0), 1u);
    FilterInfo info{};
    ASSERT_EQ(LGP_GetFilterInfo(kType, 0, &info), 1u);
    EXPECT_EQ(std::uint32_t{info.dwTableEnd}, 0u);
}

TEST_F(Config, FilterWriteAndReadBack) {
    const FilterRange ranges[] = {{0, 0x123, 0x123},
                                  {0, 0x456, 0x456},
                                  {0, 0x10, 0x1F},
                                  {1, 0x12345, 0x12345},
                                  {1, 0x1000, 0x1FFF}};
    for (const FilterRange& r : ranges)
        ASSERT_EQ(LGP_SetReference(kType, 0, 1, LGP_REF_ADD, &r), 1u);
    const FilterRange ch0{0, 0x7FF, 0x7FF};
    ASSERT_EQ(LGP_SetReference(kType, 0, 0, LGP_REF_ADD, &ch0), 1u);
    ASSERT_EQ(LGP_SetFilterInfo(kType, 0), 1u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kSetFilter), 2u) << "header, then table";

    FilterInfo info;
    std::memset(&info, 0xCC, sizeof info);
    ASSERT_EQ(LGP_GetFilterInfo(kType, 0, &info), 1u);
    EXPECT_EQ(info.bEnable, 1);
    EXPECT_EQ(std::uint32_t{info.dwStdExplicitStart}, 0u);
    EXPECT_EQ(std::uint32_t{info.dwStdGroupStart}, 8u);
    EXPECT_EQ(std::uint32_t{info.dwExtExplicitStart}, 12u);
    EXPECT_EQ(std::uint32_t{info.dwExtGroupStart}, 16u);
    EXPECT_EQ(std::uint32_t{info.dwTableEnd}, 24u);
    const std::uint8_t table[24] = {0x23, 0x21, 0xFF, 0x07,  // 0x07FF (channel 0) above 0x2123
                                    0xFF, 0xFF, 0x56, 0x24,  // 0x2456 and the padding
                                    0x1F, 0x20, 0x10, 0x20,  // group 0x2010-0x201F
                                    0x45, 0x23, 0x01, 0x20,  // 0x12345 | bit 29
                                    0x00, 0x10, 0x00, 0x20, 0xFF, 0x1F, 0x00, 0x20};
    EXPECT_EQ(std::memcmp(info.bTable, table, sizeof table), 0);
    for (std::size_t i = sizeof table; i < sizeof info.bTable; ++i)
        ASSERT_EQ(info.bTable[i], 0) << i;

    // Clearing through channel 1 empties channel 0 too.
    ASSERT_EQ(LGP_SetReference(kType, 0, 1, LGP_REF_CLEAR, nullptr), 1u);
    ASSERT_EQ(LGP_SetFilterInfo(kType, 0), 1u);
    ASSERT_EQ(LGP_GetFilterInfo(kType, 0, &info), 1u);
    EXPECT_EQ(std::uint32_t{info.dwTableEnd}, 0u);
    EXPECT_EQ(info.bTable[0], 0);
}

TEST_F(Config, RefusedFilterHeaderStopsTheTable) {
    const FilterRange id{0, 1, 1};
    ASSERT_EQ(LGP_SetReference(kType, 0, 0, LGP_REF_ADD, &id), 1u);
    Fault(PIPEUSB_SIM_STATUS_ERROR, kSetFilter, 0, 1);
    EXPECT_EQ(LGP_SetFilterInfo(kType, 0), 0u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kSetFilter), 1u);
    // A refused table write fails the whole write.
    Fault(PIPEUSB_SIM_STATUS_ERROR, kSetFilter, 1, 1);
    EXPECT_EQ(LGP_SetFilterInfo(kType, 0), 0u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kSetFilter), 3u);
}

TEST_F(Config, FailedTableReadKeepsTheHeaderOffsets) {
    const FilterRange group{1, 0x100, 0x200};
    ASSERT_EQ(LGP_SetReference(kType, 0, 0, LGP_REF_ADD, &group), 1u);
    ASSERT_EQ(LGP_SetFilterInfo(kType, 0), 1u);
    Fault(PIPEUSB_SIM_WRONG_ECHO, kGetFilter, 1, 1);
    FilterInfo info;
    std::memset(&info, 0xCC, sizeof info);
    EXPECT_EQ(LGP_GetFilterInfo(kType, 0, &info), 0u);
    EXPECT_EQ(std::uint32_t{info.dwStdGroupStart}, 0u);
    EXPECT_EQ(std::uint32_t{info.dwExtGroupStart}, 0u);
    EXPECT_EQ(std::uint32_t{info.dwTableEnd}, 8u);
    EXPECT_EQ(info.bTable[0], 0xCC) << "the table is left as it was";

    Fault(PIPEUSB_SIM_NO_REPLY, kGetFilter, 0, 1);
    std::memset(&info, 0xCC, sizeof info);
    EXPECT_EQ(LGP_GetFilterInfo(kType, 0, &info), 0u);
    EXPECT_EQ(std::uint32_t{info.dwTableEnd}, 0xCCCCCCCCu);
}

TEST_F(Config, PresetFramesRoundTrip) {
    auto written = Presets(0x300);
    ASSERT_EQ(LGP_SetPreFrame(kType, 0, written.data(), 6), 1u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kSetPreFrame), 3u);
    std::array<_VCI_CAN_OBJ, 6> read{};
    ASSERT_EQ(LGP_GetPreFrame(kType, 0, read.data(), 6), 1u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kGetPreFrame), 3u);
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(SameFrame(read[i], written[i])) << i;
    // The record checksum travels in the data byte after the last used one.
    const _VCI_CAN_OBJ& f = written[1];
    std::uint8_t sum = 0x0F ^ f.SendType ^ (f.ExternFlag << 7 | f.DataLen);
    for (int k = 0; k < 4; ++k)
        sum ^= static_cast<std::uint8_t>(f.TimeStamp >> (8 * k) ^ f.ID >> (8 * k));
    for (int k = 0; k < f.DataLen; ++k) sum ^= f.Data[k];
    EXPECT_EQ(read[1].Data[f.DataLen], sum);

    EXPECT_EQ(LGP_SetPreFrame(kType, 0, written.data(), 5), 0u);
    EXPECT_EQ(LGP_GetPreFrame(kType, 0, read.data(), 5), 0u);
    EXPECT_EQ(LGP_SetPreFrame(kType, 0, nullptr, 6), 0u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kSetPreFrame), 3u);
}

TEST_F(Config, PresetWriteSkipsAPairThatNeverAnswers) {
    auto old = Presets(0x100);
    ASSERT_EQ(LGP_SetPreFrame(kType, 0, old.data(), 6), 1u);
    auto next = Presets(0x500);
    Fault(PIPEUSB_SIM_NO_REPLY, kSetPreFrame, 1, 3);
    EXPECT_EQ(LGP_SetPreFrame(kType, 0, next.data(), 6), 1u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kSetPreFrame), 3u + 5u);

    // The last pair decides the result.
    Fault(PIPEUSB_SIM_STATUS_ERROR, kSetPreFrame, 2, 3);
    EXPECT_EQ(LGP_SetPreFrame(kType, 0, next.data(), 6), 0u);
    Fault(PIPEUSB_SIM_STATUS_ERROR, kSetPreFrame, 2, 2);
    EXPECT_EQ(LGP_SetPreFrame(kType, 0, next.data(), 6), 1u);
}

TEST_F(Config, PresetReadFailureLeavesTheLastReply) {
    auto written = Presets(0x40);
    ASSERT_EQ(LGP_SetPreFrame(kType, 0, written.data(), 6), 1u);

    // Pair 2 never answers: its frames are all zero; the read still succeeds.
    Fault(PIPEUSB_SIM_NO_REPLY, kGetPreFrame, 1, 3);
    std::array<_VCI_CAN_OBJ, 6> read{};
    std::memset(read.data(), 0xCC, sizeof read);
    EXPECT_EQ(LGP_GetPreFrame(kType, 0, read.data(), 6), 1u);
    const _VCI_CAN_OBJ zero{};
    EXPECT_EQ(std::memcmp(&read[2], &zero, sizeof zero), 0);
    EXPECT_EQ(std::memcmp(&read[3], &zero, sizeof zero), 0);
    EXPECT_TRUE(SameFrame(read[4], written[4]));

    // Pair 4 echoes the wrong command three times: the read fails, and the
    // frames hold what those replies carried.
    Fault(PIPEUSB_SIM_WRONG_ECHO, kGetPreFrame, 2, 3);
    std::memset(read.data(), 0xCC, sizeof read);
    EXPECT_EQ(LGP_GetPreFrame(kType, 0, read.data(), 6), 0u);
    EXPECT_TRUE(SameFrame(read[0], written[0]));
    EXPECT_TRUE(SameFrame(read[5], written[5]));
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kGetPreFrame), 5u + 5u);
}

TEST_F(Config, ClearAndFactoryDefault) {
    LGP_CloseDevice(kType, 0);
    OpenRecorderWith(123);
    ASSERT_EQ(LGP_ClearFrame(kType, 0), 1u);
    std::uint32_t count = 1;
    FrameArray frames = RunUpload(count);
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(count, 0u);

    BaseInfo custom{};
    custom.dwSendInterval = 777;
    custom.bCentury = 20;
    custom.bYear = 26;
    custom.bMonth = 1;
    custom.bDay = 1;
    ASSERT_EQ(LGP_SetBaseInfo(kType, 0, &custom), 1u);
    ASSERT_EQ(LGP_SetDefaultCfg(kType, 0), 1u);
    BaseInfo read{};
    ASSERT_EQ(LGP_GetBaseInfo(kType, 0, &read), 1u);
    EXPECT_NE(std::uint32_t{read.dwSendInterval}, 777u);

    Fault(PIPEUSB_SIM_STATUS_ERROR, 0x18, 0, 1);
    EXPECT_EQ(LGP_ClearFrame(kType, 0), 0u);
    Fault(PIPEUSB_SIM_NO_REPLY, 0x19, 0, 1);
    EXPECT_EQ(LGP_SetDefaultCfg(kType, 0), 0u);
}

}  // namespace
}  // namespace logport::test
