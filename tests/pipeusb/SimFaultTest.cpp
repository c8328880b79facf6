// Fault injection, reply scripts, several recorders and handle rules of the
// sim back end.

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "pipeusb/include/pipeusb_diag.h"
#include "pipeusb/include/pipeusb_sim.h"
#include "tests/pipeusb/PipeUsbTestSupport.h"

namespace pipeusb::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

PipeUsbSimFault Fault(std::uint32_t kind, std::uint8_t command, std::uint32_t skip,
                      std::uint32_t count, std::uint32_t device = 0, std::uint32_t delayMs = 0) {
    return PipeUsbSimFault{kind, device, command, skip, count, delayMs};
}

class SimFaultTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(PipeUsbSim_Configure("empty"), 1u);
        ASSERT_TRUE(s_.Open());
    }
    CSimSession s_;
};

TEST_F(SimFaultTest, NoReplySkipsThenDropsCountReplies) {
    const PipeUsbSimFault f = Fault(PIPEUSB_SIM_NO_REPLY, 0x17, 1, 2);
    ASSERT_EQ(PipeUsbSim_InjectFault(&f), 1u);
    const Bytes count = CommandReply(0x17, 0x00, U32(0));
    EXPECT_EQ(s_.Command(0x14, {0}).result, 1u);  // another command: untouched
    EXPECT_EQ(s_.Command(0x17, U32(0)).bytes, count);
    for (int i = 0; i < 2; ++i) {
        const Reply r = s_.Command(0x17, U32(0));
        EXPECT_EQ(r.result, 0u);
        EXPECT_EQ(r.received, 0u);
        EXPECT_EQ(r.bytes, Bytes(64, 0));
    }
    EXPECT_EQ(s_.Command(0x17, U32(0)).bytes, count);
    // Every attempt reached the recorder.
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, 0x17), 4u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, 0x14), 1u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, 0), 5u);
}

TEST_F(SimFaultTest, WrongEchoAndStatusErrorAlterOnlyTheirByte) {
    const PipeUsbSimFault echo = Fault(PIPEUSB_SIM_WRONG_ECHO, 0x1A, 0, 1);
    const PipeUsbSimFault status = Fault(PIPEUSB_SIM_STATUS_ERROR, 0, 1, 2);
    ASSERT_EQ(PipeUsbSim_InjectFault(&echo), 1u);
    ASSERT_EQ(PipeUsbSim_InjectFault(&status), 1u);

    // Bulk 0x1A: wrong echo, and (after the one skipped exchange) no status yet.
    Bytes expected = BulkReply(0x1A, 0x00, {0});
    Reply r = s_.Bulk(0x1A, {0});
    EXPECT_EQ(r.result, 1u);
    EXPECT_NE(r.bytes[1], 0x1A);
    r.bytes[1] = 0x1A;
    EXPECT_EQ(r.bytes, expected);
    // Then status bit 7 on the next two exchanges, of any command.
    r = s_.Command(0x14, {0});
    EXPECT_EQ(r.bytes[2], 0x80);
    r = s_.Bulk(0x1A, {0});
    EXPECT_EQ(r.bytes[1], 0x1A);
    EXPECT_EQ(r.bytes[2], 0x80);
    EXPECT_EQ(s_.Command(0x14, {0}).bytes[2], 0x00);
}

TEST_F(SimFaultTest, DelayedReplyArrivesWithinItsTimeOutAndIsLostBeyondIt) {
    const PipeUsbSimFault f = Fault(PIPEUSB_SIM_DELAY, 0x14, 0, 2, 0, 20);
    ASSERT_EQ(PipeUsbSim_InjectFault(&f), 1u);
    const Reply late =
        s_.Exchange(s_.CommandIn(), 64, s_.CommandOut(), CommandPacket(0x14, {0}), 5);
    EXPECT_EQ(late.result, 0u);
    EXPECT_EQ(late.received, 0u);
    const Reply inTime = s_.Command(0x14, {0});
    EXPECT_EQ(inTime.result, 1u);
    EXPECT_EQ(inTime.bytes[1], 0x14);
}

TEST_F(SimFaultTest, UnplugEndsEveryLaterExchangeAndLeavesTheDeviceList) {
    ASSERT_EQ(PipeUsbSim_Configure("empty;empty"), 1u);
    ASSERT_TRUE(s_.Open());
    CSimSession second(1);
    ASSERT_TRUE(second.Open());
    const PipeUsbSimFault f = Fault(PIPEUSB_SIM_UNPLUG, 0, 2, 0);
    ASSERT_EQ(PipeUsbSim_InjectFault(&f), 1u);
    EXPECT_EQ(s_.Command(0x14, {0}).result, 1u);
    EXPECT_EQ(s_.Bulk(0x1A, {0}).result, 1u);
    for (int i = 0; i < 3; ++i) {
        const Reply r = s_.Command(0x14, {0});
        EXPECT_EQ(r.result, 0u);
        EXPECT_EQ(r.received, 0u);
        EXPECT_EQ(r.sent, 0u);
    }
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, 0), 2u);
    EXPECT_EQ(GetDevCount(), 1u);
    EXPECT_EQ(GetDeviceList(), 1u);
    EXPECT_EQ(GetDevCount(), 1u);
    // The other recorder keeps working; it is now the only one and index 0.
    EXPECT_EQ(second.Command(0x14, {0}).result, 1u);
    const std::uint32_t dev = OpenDev(0);
    EXPECT_NE(dev, 0u);
    std::uint32_t handle = dev;
    CloseDev(&handle);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(OpenDev(1), 0u);
}

TEST_F(SimFaultTest, FaultsAreCheckedAndCleared) {
    PipeUsbSimFault f = Fault(0, 0, 0, 1);
    EXPECT_EQ(PipeUsbSim_InjectFault(&f), 0u);
    f = Fault(6, 0, 0, 1);
    EXPECT_EQ(PipeUsbSim_InjectFault(&f), 0u);
    f = Fault(PIPEUSB_SIM_NO_REPLY, 0, 0, 1, 1);  // only recorder 0 exists
    EXPECT_EQ(PipeUsbSim_InjectFault(&f), 0u);
    EXPECT_EQ(PipeUsbSim_InjectFault(nullptr), 0u);

    f = Fault(PIPEUSB_SIM_NO_REPLY, 0, 0, 100);
    ASSERT_EQ(PipeUsbSim_InjectFault(&f), 1u);
    EXPECT_EQ(s_.Command(0x14, {0}).result, 0u);
    PipeUsbSim_ClearFaults();
    EXPECT_EQ(s_.Command(0x14, {0}).result, 1u);

    // Configuring again forgets faults and handles.
    ASSERT_EQ(PipeUsbSim_InjectFault(&f), 1u);
    ASSERT_EQ(PipeUsbSim_Configure("empty"), 1u);
    EXPECT_EQ(s_.Command(0x14, {0}).result, 0u);  // stale handles
    CSimSession fresh;
    ASSERT_TRUE(fresh.Open());
    EXPECT_EQ(fresh.Command(0x14, {0}).result, 1u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, 0x14), 1u);
}

TEST_F(SimFaultTest, ReplyScriptFeedsReadsUntilUsedUp) {
    Bytes script(100);
    for (std::size_t i = 0; i < script.size(); ++i) script[i] = static_cast<std::uint8_t>(i);
    PipeUsbSim_SetReplyScript(script.data(), static_cast<std::uint32_t>(script.size()));
    script.assign(100, 0xEE);  // the script was copied

    Reply r = s_.Command(0x14, {0});
    EXPECT_EQ(r.result, 1u);
    EXPECT_EQ(r.received, 64u);
    EXPECT_EQ(r.bytes[0], 0);
    EXPECT_EQ(r.bytes[63], 63);
    r = s_.Bulk(0x17, U32(1));
    EXPECT_EQ(r.received, 36u);
    EXPECT_EQ(r.bytes[0], 64);
    EXPECT_EQ(r.bytes[35], 99);
    EXPECT_EQ(r.bytes[36], 0);
    r = s_.Command(0x14, {0});
    EXPECT_EQ(r.result, 0u);
    EXPECT_EQ(r.received, 0u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, 0), 0u);

    PipeUsbSim_SetReplyScript(nullptr, 0);
    EXPECT_EQ(s_.Command(0x14, {0}).bytes[1], 0x14);
}

TEST_F(SimFaultTest, LatencyBeyondTheReadTimeOutLosesTheReply) {
    ASSERT_EQ(setenv("PIPEUSB_SIM_LATENCY_MS", "3", 1), 0);
    ASSERT_EQ(PipeUsbSim_Configure("empty"), 1u);
    unsetenv("PIPEUSB_SIM_LATENCY_MS");
    CSimSession slow;
    ASSERT_TRUE(slow.Open());
    EXPECT_EQ(
        slow.Exchange(slow.CommandIn(), 64, slow.CommandOut(), CommandPacket(0x14, {0}), 1).result,
        0u);
    EXPECT_EQ(slow.Command(0x14, {0}).result, 1u);
}

TEST(SimDevices, SeveralRecordersHaveTheirOwnIndexAndMemory) {
    ASSERT_EQ(PipeUsbSim_Configure("empty;demo;;empty"), 1u);
    EXPECT_EQ(GetDeviceList(), 1u);
    EXPECT_EQ(GetDevCount(), 3u);
    CSimSession demo(1);
    ASSERT_TRUE(demo.Open());
    const Reply count = demo.Command(0x17, U32(0));
    EXPECT_GT(LoadLe32(&count.bytes[4]), 190000u);
    CSimSession empty(2);
    ASSERT_TRUE(empty.Open());
    EXPECT_EQ(LoadLe32(&empty.Command(0x17, U32(0)).bytes[4]), 0u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(1, 0x17), 1u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(2, 0x17), 1u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, 0x17), 0u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(3, 0x17), 0u);
    EXPECT_EQ(OpenDev(3), 0u);

    ASSERT_EQ(PipeUsbSim_Configure(""), 1u);
    EXPECT_EQ(GetDeviceList(), 1u);
    EXPECT_EQ(GetDevCount(), 0u);
    EXPECT_EQ(OpenDev(0), 0u);
}

TEST(SimDevices, VirtualRecordersAreDescribedByTheirEntry) {
    TempFolder dir;
    WriteFile(dir.File("bench.img"), ImageParts().Bytes());
    ASSERT_EQ(PipeUsbSim_Configure(("demo;empty;" + dir.File("bench.img")).c_str()), 1u);
    ASSERT_EQ(GetDeviceList(), 1u);
    const char* names[] = {"demo", "empty", "bench.img"};
    for (std::uint32_t i = 0; i < 3; ++i) {
        PipeUsbDevInfo info{};
        ASSERT_EQ(PipeUsb_DescribeDev(i, &info), 1u);
        EXPECT_STREQ(info.location, names[i]);
        EXPECT_EQ(info.bus, 0u);
        EXPECT_EQ(info.address, i + 1);
        EXPECT_EQ(info.access, PIPEUSB_ACCESS_OK);
        EXPECT_STREQ(info.serial, "");
    }
    PipeUsbDevInfo info{};
    EXPECT_EQ(PipeUsb_DescribeDev(3, &info), 0u);

    // Attached until an exchange finds it unplugged.
    CSimSession s(1);
    ASSERT_TRUE(s.Open());
    std::uint32_t dev = OpenDev(1);
    EXPECT_EQ(PipeUsb_DevAttached(dev), 1u);
    const PipeUsbSimFault unplug = Fault(PIPEUSB_SIM_UNPLUG, 0, 0, 0, 1);
    ASSERT_EQ(PipeUsbSim_InjectFault(&unplug), 1u);
    EXPECT_EQ(s.Command(0x14, {0}).result, 0u);
    EXPECT_EQ(PipeUsb_DevAttached(dev), 0u);
    CloseDev(&dev);
    EXPECT_EQ(PipeUsb_DevAttached(dev), 0u);
    EXPECT_EQ(PipeUsb_DevAttached(12345), 0u);
}

TEST(SimDevices, BackEndsAreSelectedByName) {
    EXPECT_EQ(PipeUsb_SelectBackend("nope"), 0u);
    EXPECT_EQ(PipeUsb_SelectBackend(nullptr), 0u);
    ASSERT_EQ(PipeUsbSim_Configure("empty;empty"), 1u);
    EXPECT_EQ(PipeUsb_SelectBackend("sim"), 1u);
    EXPECT_EQ(GetDeviceList(), 1u);
    EXPECT_EQ(GetDevCount(), 2u) << "the sim keeps its recorders";
}

TEST(SimDevices, PipesNeedAnOpenDeviceAndAnExactName) {
    ASSERT_EQ(PipeUsbSim_Configure("empty"), 1u);
    ASSERT_EQ(GetDeviceList(), 1u);
    EXPECT_EQ(OpenPipe(0, "PIPE06"), 0u);
    std::uint32_t dev = OpenDev(0);
    ASSERT_NE(dev, 0u);
    for (const char* bad : {"PIPE10", "pipe06", "PIPE0", "PIPE066", "PIPE6", ""})
        EXPECT_EQ(OpenPipe(0, bad), 0u) << bad;
    EXPECT_EQ(OpenPipe(0, nullptr), 0u);
    EXPECT_EQ(OpenPipe(1, "PIPE06"), 0u);
    std::uint32_t in = OpenPipe(0, "PIPE06");
    std::uint32_t out = OpenPipe(0, "PIPE07");
    std::uint32_t quiet = OpenPipe(0, "PIPE04");
    EXPECT_NE(in, 0u);
    EXPECT_NE(quiet, 0u);
    EXPECT_NE(in, out);

    const Bytes packet = CommandPacket(0x14, {0});
    Bytes reply(64);
    std::uint32_t received = 7, sent = 7;
    EXPECT_EQ(WritePipeFollowReadPipeImmediate(in, reply.data(), 64, &received, 100, quiet,
                                               packet.data(), 64, &sent, 100),
              0u);
    EXPECT_EQ(received, 0u);
    EXPECT_EQ(sent, 0u);
    // Null counts are allowed.
    EXPECT_EQ(WritePipeFollowReadPipeImmediate(in, reply.data(), 64, nullptr, 100, out,
                                               packet.data(), 64, nullptr, 100),
              1u);
    ClosePipe(&quiet);
    EXPECT_EQ(quiet, 0u);
    // Closing the device takes its pipes with it.
    CloseDev(&dev);
    EXPECT_EQ(dev, 0u);
    EXPECT_EQ(WritePipeFollowReadPipeImmediate(in, reply.data(), 64, &received, 100, out,
                                               packet.data(), 64, &sent, 100),
              0u);
    ClosePipe(&in);
    ClosePipe(&out);
    ClosePipe(nullptr);
    CloseDev(nullptr);
}

}  // namespace
}  // namespace pipeusb::test
