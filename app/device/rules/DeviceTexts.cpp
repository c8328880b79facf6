#include "app/device/rules/DeviceTexts.h"

#include <cstdio>

#include "app/common/rules/NumberedFormat.h"
#include "xtp/XTPResourceManager.h"

namespace korvex::device {

std::string DeviceText(std::uint32_t id) {
    return XTPLoadString(id);
}

std::string DeviceText(std::uint32_t id, std::string_view argument) {
    return FormatString(id, std::string(argument).c_str());
}

std::string DeviceText(std::uint32_t id, std::initializer_list<std::string> arguments) {
    std::string text = XTPLoadString(id);
    std::size_t from = 0;
    for (const std::string& argument : arguments) {
        const std::size_t at = text.find("%s", from);
        if (at == std::string::npos) break;
        text.replace(at, 2, argument);
        from = at + argument.size();
    }
    return text;
}

std::string FormatU32(const char* format, std::uint32_t value) {
    char text[32];
    std::snprintf(text, sizeof text, format, static_cast<unsigned int>(value));
    return text;
}

}  // namespace korvex::device
