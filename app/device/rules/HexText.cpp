#include "app/device/rules/HexText.h"

#include <cstdio>

namespace korvex::device {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool ScanHex(const std::string& text, std::uint32_t& value) {
    unsigned int read = 0;
    if (std::sscanf(text.c_str(), "%x", &read) != 1) return false;
    value = read;
    return true;
}

bool ParseHexNumber(std::string_view text, std::uint32_t& value) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty()) return false;
    while (text.size() > 1 && text.front() == '0') text.remove_prefix(1);
    if (text.size() > 8) return false;
    std::uint32_t result = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) return false;
        result = result << 4 | static_cast<std::uint32_t>(digit);
    }
    value = result;
    return true;
}

std::string FormatU32(const char* format, std::uint32_t value) {
    char text[32];
    std::snprintf(text, sizeof text, format, static_cast<unsigned int>(value));
    return text;
}

}  // namespace korvex::device
