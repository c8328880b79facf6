// The sim back end chosen and set up from the environment, as the program
// meets it: PIPEUSB_BACKEND=sim, PIPEUSB_SIM naming the recorders.

#include <gtest/gtest.h>

#include <cstdlib>

#include "pipeusb/include/pipeusb_sim.h"

namespace {

// Read once, on first use: set before any test runs.
const bool kSimChosen = [] {
    setenv("PIPEUSB_BACKEND", "sim", 1);
    setenv("PIPEUSB_SIM", "empty;/nonexistent/recorder.img", 1);
    return true;
}();

TEST(SimEnvironment, AnUnreadableImageFailsTheDeviceListUntilConfiguredAgain) {
    ASSERT_TRUE(kSimChosen);
    EXPECT_EQ(GetDeviceList(), 0u);
    EXPECT_EQ(GetDevCount(), 0u);
    EXPECT_EQ(OpenDev(0), 0u);

    ASSERT_EQ(PipeUsbSim_Configure("empty;empty"), 1u);
    EXPECT_EQ(GetDeviceList(), 1u);
    EXPECT_EQ(GetDevCount(), 2u);
    // Changing the variables later changes nothing: they were read once.
    setenv("PIPEUSB_BACKEND", "usb", 1);
    EXPECT_EQ(GetDeviceList(), 1u);
    EXPECT_EQ(GetDevCount(), 2u);
}

}  // namespace
