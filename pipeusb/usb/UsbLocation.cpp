#include "pipeusb/usb/UsbLocation.h"

#include <fstream>

namespace pipeusb {

std::string UsbLocation(std::uint32_t bus, const std::uint8_t* ports, int portCount) {
    if (ports == nullptr || portCount <= 0) return "usb" + std::to_string(bus);
    std::string text = std::to_string(bus);
    for (int i = 0; i < portCount; ++i) {
        text += i == 0 ? '-' : '.';
        text += std::to_string(ports[i]);
    }
    return text;
}

std::string ReadUsbSerial(const std::filesystem::path& sysfsDevices, const std::string& location,
                          std::size_t maxLength) {
    // A location is a name inside the folder, never a path out of it.
    if (location.empty() || location.find('/') != std::string::npos || location[0] == '.')
        return {};
    std::ifstream in(sysfsDevices / location / "serial");
    std::string line;
    if (!in || !std::getline(in, line)) return {};
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
    if (line.size() > maxLength) line.resize(maxLength);
    for (char& c : line)
        if (c < 0x20 || c > 0x7E) c = '?';
    return line;
}

}  // namespace pipeusb
