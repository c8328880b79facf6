#pragma once

// The descriptors an emulated USB device shows in sysfs ("descriptors"): the
// device descriptor followed by its one configuration.

#include <cstdint>
#include <string>
#include <vector>

#include "pipeusb/usb/UsbIds.h"

namespace korvex::test {

// A recorder: one configuration, interface 0 (vendor class) with the bulk
// endpoints 0x82, 0x03, 0x86 and 0x07, each of `maxPacket` bytes (512 at
// high speed, 64 at full speed).
std::vector<std::uint8_t> RecorderDescriptors(pipeusb::UsbId id, std::uint16_t maxPacket,
                                              bool hasSerial);

// The root hub of a bus (1d6b:0002), which libusb lists as a parent.
std::vector<std::uint8_t> RootHubDescriptors();

// Bytes as the continuous upper-case hex that umockdev's "H:" lines take.
std::string HexOf(const std::vector<std::uint8_t>& bytes);

}  // namespace korvex::test
