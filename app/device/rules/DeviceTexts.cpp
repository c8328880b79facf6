#include "app/device/rules/DeviceTexts.h"

#include <cstdio>

#include "xtp/XTPResourceManager.h"

namespace korvex::device {

std::string DeviceText(std::uint32_t id) {
    return XTPLoadString(id);
}

std::string DeviceText(std::uint32_t id, std::string_view argument) {
    std::string text = XTPLoadString(id);
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, argument);
    return text;
}

std::string FormatU32(const char* format, std::uint32_t value) {
    char text[32];
    std::snprintf(text, sizeof text, format, static_cast<unsigned int>(value));
    return text;
}

}  // namespace korvex::device
