#include <gtest/gtest.h>

#include <vector>

#include "pipeusb/include/pipeusb_sim.h"
#include "tests/pipeusb/PipeUsbTestSupport.h"

namespace pipeusb::test {
namespace {

TEST(VirtualRecorder, EmptyRecorderAnswersTheBaseConfigurationRead) {
    ASSERT_EQ(PipeUsbSim_Configure("empty"), 1u);
    CSimSession s;
    ASSERT_TRUE(s.Open());
    const Reply r = s.Command(0x14, {0x00});
    ASSERT_EQ(r.result, 1u);
    ASSERT_EQ(r.received, 64u);
    const std::vector<std::uint8_t> expected = {
        0x7E, 0x14, 0x00, 30,                            // start, echo, status, payload length
        0x08, 0x00, 0x1C, 0x00, 0x00, 0x00, 0x00, 0x00,  // timing, custom flag
        0x08, 0x00, 0x1C, 0x00, 0xE8, 0x03, 0x00, 0x00,  // custom register, send interval
        0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00,        // resistor, filter, mode, IO
        20,   20,   1,    1,    0,    0,    0};          // clock 2020-01-01 00:00:00
    std::vector<std::uint8_t> want(64, 0);
    std::copy(expected.begin(), expected.end(), want.begin());
    std::uint8_t x = 0;
    for (int i = 0; i < 34; ++i) x ^= want[static_cast<std::size_t>(i)];
    want[34] = x;
    EXPECT_EQ(r.bytes, want);
}

}  // namespace
}  // namespace pipeusb::test
