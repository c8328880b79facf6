#include "tests/support/umockdev/UsbDescriptors.h"

#include <cstdio>
#include <initializer_list>

namespace korvex::test {

namespace {

constexpr std::uint8_t kDeviceDescriptor = 0x01;
constexpr std::uint8_t kConfigDescriptor = 0x02;
constexpr std::uint8_t kInterfaceDescriptor = 0x04;
constexpr std::uint8_t kEndpointDescriptor = 0x05;
constexpr std::uint8_t kBulk = 0x02;
constexpr std::uint8_t kInterrupt = 0x03;

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Device(std::vector<std::uint8_t>& out, std::uint8_t deviceClass, pipeusb::UsbId id,
            std::uint8_t serialIndex) {
    out.insert(out.end(), {18, kDeviceDescriptor});
    Put16(out, 0x0200);  // USB 2.0
    out.insert(out.end(),
               {deviceClass, 0, deviceClass == 0x09 ? std::uint8_t{1} : std::uint8_t{0}, 64});
    Put16(out, id.vendor);
    Put16(out, id.product);
    Put16(out, 0x0100);                             // device release 1.00
    out.insert(out.end(), {1, 2, serialIndex, 1});  // strings, one configuration
}

// The configuration header; its total length is filled in by Finish.
std::size_t Configuration(std::vector<std::uint8_t>& out) {
    const std::size_t at = out.size();
    out.insert(out.end(), {9, kConfigDescriptor, 0, 0, 1, 1, 0, 0x80, 50});
    return at;
}

void Finish(std::vector<std::uint8_t>& out, std::size_t configAt) {
    const std::size_t total = out.size() - configAt;
    out[configAt + 2] = static_cast<std::uint8_t>(total);
    out[configAt + 3] = static_cast<std::uint8_t>(total >> 8);
}

void Endpoint(std::vector<std::uint8_t>& out, std::uint8_t address, std::uint8_t type,
              std::uint16_t maxPacket, std::uint8_t interval) {
    out.insert(out.end(), {7, kEndpointDescriptor, address, type});
    Put16(out, maxPacket);
    out.push_back(interval);
}

}  // namespace

std::vector<std::uint8_t> RecorderDescriptors(pipeusb::UsbId id, std::uint16_t maxPacket,
                                              bool hasSerial) {
    std::vector<std::uint8_t> out;
    Device(out, 0x00, id, hasSerial ? 3 : 0);
    const std::size_t config = Configuration(out);
    out.insert(out.end(), {9, kInterfaceDescriptor, 0, 0, 4, 0xFF, 0, 0, 0});
    for (const std::uint8_t address : {0x82, 0x03, 0x86, 0x07})
        Endpoint(out, address, kBulk, maxPacket, 0);
    Finish(out, config);
    return out;
}

std::vector<std::uint8_t> RootHubDescriptors() {
    std::vector<std::uint8_t> out;
    Device(out, 0x09, pipeusb::UsbId{0x1D6B, 0x0002}, 1);
    const std::size_t config = Configuration(out);
    out.insert(out.end(), {9, kInterfaceDescriptor, 0, 0, 1, 0x09, 0, 0, 0});
    Endpoint(out, 0x81, kInterrupt, 4, 12);
    Finish(out, config);
    return out;
}

std::string HexOf(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", b);
        text += digits;
    }
    return text;
}

}  // namespace korvex::test
