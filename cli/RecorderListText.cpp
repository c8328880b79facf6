#include "cli/RecorderListText.h"

namespace korvex::cli {

namespace {

const char* AccessText(std::uint32_t access) {
    switch (access) {
        case PIPEUSB_ACCESS_DENIED:
            return "present but not accessible";
        case PIPEUSB_ACCESS_BUSY:
            return "present but in use by another program";
        case PIPEUSB_ACCESS_GONE:
            return "removed";
        case PIPEUSB_ACCESS_FAILED:
            return "present but cannot be opened";
        default:
            return "";
    }
}

}  // namespace

std::string RecorderLine(std::uint32_t index, const PipeUsbDevInfo& info) {
    std::string line = "  " + std::to_string(index) + "  ";
    if (info.bus == 0) return line + "virtual recorder " + info.location;
    line += std::string("usb ") + info.location + " (bus " + std::to_string(info.bus) +
            ", device " + std::to_string(info.address) + ")";
    if (info.serial[0] != '\0') line += std::string("  serial ") + info.serial;
    const std::string access = AccessText(info.access);
    if (!access.empty()) line += "  " + access;
    return line;
}

}  // namespace korvex::cli
