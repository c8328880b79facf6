#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace pipeusb {

// A USB device's place as sysfs names it: the bus, a dash, then the port of
// each hub on the way, dotted ("1-1.4"). "usbN" for the root hub of bus N.
std::string UsbLocation(std::uint32_t bus, const std::uint8_t* ports, int portCount);

// The serial number the kernel read from the device at `location`, from
// <sysfsDevices>/<location>/serial, which anyone may read; printable ASCII
// only (anything else becomes '?'), at most `maxLength` characters. Empty
// when the device has none.
std::string ReadUsbSerial(const std::filesystem::path& sysfsDevices, const std::string& location,
                          std::size_t maxLength);

inline constexpr char kSysfsUsbDevices[] = "/sys/bus/usb/devices";

}  // namespace pipeusb
