// The usb back end on a machine with no recorder attached (nor, possibly, any
// USB at all): an empty device list, and every operation fails cleanly.

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "pipeusb/include/pipeusb_sim.h"

namespace {

// The back end is chosen once, on first use: before any test runs. The id
// matches no device, so a developer's own recorder does not change the result.
const bool kUsbChosen = [] {
    setenv("PIPEUSB_BACKEND", "usb", 1);
    setenv("PIPEUSB_USB_IDS", "ffff:fffe", 1);
    return true;
}();

TEST(UsbBackend, NoRecorderMeansAnEmptyListAndFailedOperations) {
    ASSERT_TRUE(kUsbChosen);
    EXPECT_EQ(GetDeviceList(), 1u);
    EXPECT_EQ(GetDevCount(), 0u);
    EXPECT_EQ(OpenDev(0), 0u);
    EXPECT_EQ(OpenPipe(0, "PIPE06"), 0u);
    std::vector<std::uint8_t> reply(64, 0xAA), packet(64, 0);
    std::uint32_t received = 9, sent = 9;
    EXPECT_EQ(WritePipeFollowReadPipeImmediate(1, reply.data(), 64, &received, 100, 2,
                                               packet.data(), 64, &sent, 100),
              0u);
    EXPECT_EQ(received, 0u);
    EXPECT_EQ(sent, 0u);
    std::uint32_t pipe = 5, dev = 6;
    ClosePipe(&pipe);
    CloseDev(&dev);
    EXPECT_EQ(pipe, 0u);
    EXPECT_EQ(dev, 0u);
    // The virtual recorder's controls do not reach real recorders.
    const PipeUsbSimFault fault{PIPEUSB_SIM_NO_REPLY, 0, 0, 0, 1, 0};
    EXPECT_EQ(PipeUsbSim_InjectFault(&fault), 0u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, 0), 0u);
}

TEST(UsbBackend, ConfiguringTheSimSwitchesBackEndsAtRunTime) {
    ASSERT_TRUE(kUsbChosen);
    EXPECT_EQ(GetDeviceList(), 1u);
    EXPECT_EQ(GetDevCount(), 0u);
    ASSERT_EQ(PipeUsbSim_Configure("empty"), 1u);
    EXPECT_EQ(GetDeviceList(), 1u);
    EXPECT_EQ(GetDevCount(), 1u);
}

}  // namespace
