#include <gtest/gtest.h>

#include <fstream>

#include "pipeusb/ExchangeTrace.h"
#include "pipeusb/usb/UsbLocation.h"
#include "tests/support/TempFolder.h"

namespace {

using pipeusb::ReadUsbSerial;
using pipeusb::UsbLocation;

TEST(UsbLocation, NamesThePortPathAsSysfsDoes) {
    const std::uint8_t deep[] = {1, 4, 2};
    EXPECT_EQ(UsbLocation(1, deep, 3), "1-1.4.2");
    EXPECT_EQ(UsbLocation(3, deep + 1, 1), "3-4");
    EXPECT_EQ(UsbLocation(2, nullptr, 0), "usb2");
    EXPECT_EQ(UsbLocation(2, deep, -1), "usb2") << "libusb's error result";
}

TEST(UsbLocation, SerialIsReadPrintableAndBounded) {
    korvex::test::TempFolder sysfs;
    const auto write = [&](const std::string& location, const std::string& text) {
        std::filesystem::create_directories(sysfs / location);
        std::ofstream(sysfs / location / "serial", std::ios::binary) << text;
    };
    write("1-1", "KV-0001\n");
    write("1-2", std::string("A\x01\xC3\xA9Z \r\n"));
    write("1-3", std::string(100, '7'));
    struct Case {
        const char* location;
        std::string serial;
    };
    for (const Case& c :
         {Case{"1-1", "KV-0001"}, Case{"1-2", "A???Z"}, Case{"1-3", std::string(63, '7')},
          Case{"1-4", ""}, Case{"../1-1", ""}, Case{"", ""}}) {
        EXPECT_EQ(ReadUsbSerial(sysfs.Path(), c.location, 63), c.serial) << c.location;
    }
}

TEST(ExchangeTrace, LinesSayDirectionPipeCountsFirstBytesAndTheFailure) {
    using pipeusb::TransferError;
    std::vector<std::uint8_t> bytes(40);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0xF0 + i);
    struct Case {
        bool in;
        std::uint32_t moved, asked;
        TransferError error;
        const char* line;
    };
    const Case cases[] = {
        {false, 3, 3, TransferError::kNone, "recorder 2 OUT PIPE07 3/3: f0 f1 f2"},
        {false, 0, 3, TransferError::kStall, "recorder 2 OUT PIPE07 0/3 stalled: f0 f1 f2"},
        {false, 0, 2, TransferError::kNotSent, "recorder 2 OUT PIPE07 0/2 not sent: f0 f1"},
        {true, 0, 64, TransferError::kTimeout, "recorder 2 IN PIPE07 0/64 timed out"},
        {true, 2, 64, TransferError::kNoDevice, "recorder 2 IN PIPE07 2/64 device removed: f0 f1"},
        {true, 1, 1, TransferError::kOverflow, "recorder 2 IN PIPE07 1/1 overflow: f0"},
        {true, 0, 8, TransferError::kOther, "recorder 2 IN PIPE07 0/8 failed"},
        {true, 40, 40, TransferError::kNone,
         "recorder 2 IN PIPE07 40/40: f0 f1 f2 f3 f4 f5 f6 f7 f8 f9 fa fb fc fd fe ff ..."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pipeusb::TraceLine({2, "PIPE07", c.in, c.moved, c.asked, bytes.data(), c.error}),
                  c.line);
    EXPECT_EQ(pipeusb::TraceLine({0, "PIPE03", false, 0, 64, nullptr, TransferError::kNotSent}),
              "recorder 0 OUT PIPE03 0/64 not sent");
}

}  // namespace
