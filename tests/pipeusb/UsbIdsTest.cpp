#include "pipeusb/usb/UsbIds.h"

#include <gtest/gtest.h>

#include "pipeusb/PipeName.h"

namespace pipeusb {
namespace {

TEST(UsbIds, ListsOfHexPairsAreReadAndAnythingElseRefused) {
    EXPECT_EQ(ParseUsbIds("1209:0001"), (std::vector<UsbId>{{0x1209, 0x0001}}));
    EXPECT_EQ(ParseUsbIds("04d8:E3A1,1:ffff"),
              (std::vector<UsbId>{{0x04D8, 0xE3A1}, {0x0001, 0xFFFF}}));
    EXPECT_TRUE(ParseUsbIds(kDefaultUsbIds).has_value());
    for (const char* bad : {"", "1209", "1209:", ":0001", "12345:0001", "1209:0001,", "zz:01",
                            "1209:0001;1:2", " 1209:0001", "0x12:1"})
        EXPECT_FALSE(ParseUsbIds(bad).has_value()) << bad;
}

TEST(PipeNames, OnlyTheTenExactNamesAreKnown) {
    EXPECT_EQ(PipeNumber("PIPE00"), 0);
    EXPECT_EQ(PipeNumber("PIPE09"), 9);
    for (const char* bad : {"PIPE10", "PIPE0", "PIPE000", "pipe01", "PIPE0A", ""})
        EXPECT_EQ(PipeNumber(bad), -1) << bad;
    EXPECT_EQ(PipeNumber(nullptr), -1);
    EXPECT_EQ(RoleOfPipe(6), PipeRole::CommandIn);
    EXPECT_EQ(RoleOfPipe(7), PipeRole::CommandOut);
    EXPECT_EQ(RoleOfPipe(2), PipeRole::BulkIn);
    EXPECT_EQ(RoleOfPipe(3), PipeRole::BulkOut);
    for (int quiet : {0, 1, 4, 5, 8, 9}) EXPECT_EQ(RoleOfPipe(quiet), PipeRole::NoTraffic);
}

TEST(PipeNames, TrafficPipesAreTheirBulkEndpointsBothWays) {
    struct Case {
        int pipe;
        std::uint8_t endpoint;
    };
    for (const Case c : {Case{2, 0x82}, Case{3, 0x03}, Case{6, 0x86}, Case{7, 0x07}}) {
        EXPECT_EQ(EndpointOfPipe(c.pipe), c.endpoint) << c.pipe;
        EXPECT_EQ(PipeOfEndpoint(c.endpoint), c.pipe) << c.pipe;
    }
    for (int quiet : {0, 1, 4, 5, 8, 9}) EXPECT_EQ(EndpointOfPipe(quiet), 0) << quiet;
    for (std::uint8_t other : {0x00, 0x02, 0x83, 0x06, 0x87, 0x81})
        EXPECT_EQ(PipeOfEndpoint(other), -1) << int{other};
}

}  // namespace
}  // namespace pipeusb
