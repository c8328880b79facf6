#include "pipeusb/usb/UsbIds.h"

namespace pipeusb {

namespace {

std::optional<std::uint16_t> ParseHex16(std::string_view text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    std::uint16_t value = 0;
    for (const char c : text) {
        int digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = static_cast<std::uint16_t>(value << 4 | digit);
    }
    return value;
}

}  // namespace

std::optional<std::vector<UsbId>> ParseUsbIds(std::string_view text) {
    std::vector<UsbId> ids;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::size_t colon = item.find(':');
        if (colon == std::string_view::npos) return std::nullopt;
        const auto vendor = ParseHex16(item.substr(0, colon));
        const auto product = ParseHex16(item.substr(colon + 1));
        if (!vendor || !product) return std::nullopt;
        ids.push_back(UsbId{*vendor, *product});
        if (comma == std::string_view::npos) return ids;
        text.remove_prefix(comma + 1);
    }
}

}  // namespace pipeusb
