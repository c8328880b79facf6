#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/logport/LogportSimFixture.h"

namespace logport::test {
namespace {

using DeviceAccess = LogportSimTest;

std::array<std::uint8_t, 64> CommandReplyBytes(std::uint8_t code, std::uint8_t status) {
    std::array<std::uint8_t, 64> r{};
    r[0] = 0x7E;
    r[1] = code;
    r[2] = status;
    for (std::size_t i = 4; i < 34; ++i) r[i] = static_cast<std::uint8_t>(i);
    return r;
}

TEST_F(DeviceAccess, OpenChecksTypeAndIndexBeforeOpeningAnything) {
    ASSERT_EQ(PipeUsbSim_Configure("empty"), 1u);
    EXPECT_EQ(LGP_OpenDevice(22, 0, 0), 0u);
    EXPECT_EQ(LGP_ClearFrame(kType, 0), 0u) << "no pipe may have been opened";
    EXPECT_EQ(LGP_OpenDevice(kType, 1, 0), 0u);
    EXPECT_EQ(LGP_ClearFrame(kType, 0), 0u);
    EXPECT_EQ(LGP_OpenDevice(20, 0, 0), 1u);
    EXPECT_EQ(LGP_ClearFrame(kType, 0), 1u);
    EXPECT_EQ(LGP_CloseDevice(22, 0), 0u);
    EXPECT_EQ(LGP_CloseDevice(kType, 1), 0u);
    EXPECT_EQ(LGP_ClearFrame(kType, 0), 1u) << "a refused close closes nothing";
    EXPECT_EQ(LGP_CloseDevice(kType, 0), 1u);
    EXPECT_EQ(LGP_ClearFrame(kType, 0), 0u) << "operations on a closed device fail";
}

TEST_F(DeviceAccess, SecondRecorderIsIndexOne) {
    korvex::test::RecorderImageContent first;
    first.recordCount = 5;
    korvex::test::RecorderImageContent second;
    second.recordCount = 7;
    const std::string both = WriteImage(first, "a.img") + ";" + WriteImage(second, "b.img");
    ASSERT_EQ(PipeUsbSim_Configure(both.c_str()), 1u);

    EXPECT_EQ(LGP_OpenDevice(kType, 2, 0), 0u);
    ASSERT_EQ(LGP_OpenDevice(kType, 1, 0), 1u);
    std::uint32_t count = 0;
    FrameArray frames = RunUpload(count);
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(count, 7u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(1, kUpload), 2u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, kUpload), 0u);
    EXPECT_EQ(LGP_CloseDevice(kType, 1), 1u);
}

TEST_F(DeviceAccess, CloseWithoutRecorderFails) {
    ASSERT_EQ(PipeUsbSim_Configure(""), 1u);
    EXPECT_EQ(LGP_OpenDevice(kType, 0, 0), 0u);
    EXPECT_EQ(LGP_CloseDevice(kType, 0), 0u);
}

TEST_F(DeviceAccess, CommandReplyStatusBit7DecidesTheOutcome) {
    ASSERT_EQ(PipeUsbSim_Configure("empty"), 1u);
    ASSERT_EQ(LGP_OpenDevice(kType, 0, 0), 1u);
    BaseInfo untouched;
    std::memset(&untouched, 0xAB, sizeof untouched);

    struct Case {
        std::uint8_t start, code, status;
        bool ok;
    };
    for (const Case c : {Case{0x7E, 0x14, 0x80, false}, Case{0x7E, 0x14, 0x7F, true},
                         Case{0x7E, 0x14, 0xFF, false}, Case{0x7E, 0x15, 0x00, false},
                         Case{0x9E, 0x14, 0x00, false}, Case{0x7E, 0x14, 0x00, true}}) {
        auto reply = CommandReplyBytes(c.code, c.status);
        reply[0] = c.start;
        reply[3] = 0xFF;  // not examined
        PipeUsbSim_SetReplyScript(reply.data(), static_cast<std::uint32_t>(reply.size()));
        BaseInfo info = untouched;
        EXPECT_EQ(LGP_GetBaseInfo(kType, 0, &info), c.ok ? 1u : 0u)
            << std::hex << int(c.start) << " " << int(c.code) << " " << int(c.status);
        if (c.ok) {
            EXPECT_EQ(std::memcmp(&info, reply.data() + 4, sizeof info), 0);
        } else {
            EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);
        }
    }
    // A missing reply leaves the zeroed buffer, which fails.
    const std::uint8_t nothing = 0;
    PipeUsbSim_SetReplyScript(&nothing, 0);
    BaseInfo info = untouched;
    EXPECT_EQ(LGP_GetBaseInfo(kType, 0, &info), 0u);
    EXPECT_EQ(LGP_ClearFrame(kType, 0), 0u);
}

TEST_F(DeviceAccess, BulkReplyNeedsEchoButIgnoresBytes2And3) {
    ASSERT_EQ(PipeUsbSim_Configure("empty"), 1u);
    ASSERT_EQ(LGP_OpenDevice(kType, 0, 0), 1u);
    std::vector<std::uint8_t> bulk(9605, 0);
    bulk[0] = 0x9E;
    bulk[1] = 0x17;  // another command's echo
    bulk[4] = 1;
    PipeUsbSim_SetReplyScript(bulk.data(), static_cast<std::uint32_t>(bulk.size()));
    std::uint8_t count = 0x55;
    EXPECT_EQ(FrameArray(LGP_GetOrigTimeList(kType, 0, &count)), nullptr);
    EXPECT_EQ(count, 0x55) << "the count is written only on success";

    bulk[1] = 0x1A;
    bulk[2] = 0x80;
    bulk[3] = 0xC3;
    PipeUsbSim_SetReplyScript(bulk.data(), static_cast<std::uint32_t>(bulk.size()));
    FrameArray clocks(LGP_GetOrigTimeList(kType, 0, &count));
    ASSERT_NE(clocks, nullptr);
    EXPECT_EQ(count, 1);
}

TEST_F(DeviceAccess, ReplyThatStopsShortIsNoReply) {
    ASSERT_EQ(PipeUsbSim_Configure("empty"), 1u);
    ASSERT_EQ(LGP_OpenDevice(kType, 0, 0), 1u);
    // Good first bytes and zeros after them would pass the byte checks.
    std::vector<std::uint8_t> clocks(9605, 0);
    clocks[0] = 0x9E;
    clocks[1] = 0x1A;
    const auto command = CommandReplyBytes(0x14, 0x00);
    const std::vector<std::uint8_t> base(command.begin(), command.end());
    struct Case {
        const std::vector<std::uint8_t>* reply;
        std::uint32_t length;
        bool ok;
    };
    for (const Case c :
         {Case{&clocks, 9604, false}, Case{&clocks, 4802, false}, Case{&clocks, 9605, true}}) {
        PipeUsbSim_SetReplyScript(c.reply->data(), c.length);
        std::uint8_t count = 0x55;
        EXPECT_EQ(FrameArray(LGP_GetOrigTimeList(kType, 0, &count)) != nullptr, c.ok) << c.length;
    }
    for (const Case c : {Case{&base, 40, false}, Case{&base, 63, false}, Case{&base, 64, true}}) {
        PipeUsbSim_SetReplyScript(c.reply->data(), c.length);
        BaseInfo info{};
        EXPECT_EQ(LGP_GetBaseInfo(kType, 0, &info), c.ok ? 1u : 0u) << c.length;
    }
    PipeUsbSim_SetReplyScript(nullptr, 0);
}

TEST_F(DeviceAccess, ReadTimeOutsPerChannel) {
    ASSERT_EQ(PipeUsbSim_Configure("empty"), 1u);
    ASSERT_EQ(LGP_OpenDevice(kType, 0, 0), 1u);
    // Command replies may take up to 4 s.
    Fault(PIPEUSB_SIM_DELAY, 0x18, 0, 1, 2500);
    EXPECT_EQ(LGP_ClearFrame(kType, 0), 1u);
    // The filter table's command reply gets 2 s.
    const FilterRange id{0, 1, 1};
    ASSERT_EQ(LGP_SetReference(kType, 0, 0, LGP_REF_ADD, &id), 1u);
    Fault(PIPEUSB_SIM_DELAY, 0x13, 1, 1, 2500);
    EXPECT_EQ(LGP_SetFilterInfo(kType, 0), 0u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, 0x13), 2u);
}

}  // namespace
}  // namespace logport::test
