#include <gtest/gtest.h>

#include <fstream>

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

}  // namespace
