#include "share/FrameText.h"

#include <cctype>
#include <cstdio>

namespace name_share {
namespace {

int DataCount(const _VCI_CAN_OBJ& frame) {
    const int n = frame.DataLen & 0x0F;
    return n < 8 ? n : 8;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The value of the leading digits of a group of `width` characters, stopping
// at the first character that is not a digit of the base (as "%x" would).
std::uint8_t GroupValue(std::string_view group, int base) {
    unsigned value = 0;
    for (const char c : group) {
        const int d = base == 16 ? HexDigit(c) : (c == '0' || c == '1' ? c - '0' : -1);
        if (d < 0) break;
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    }
    return static_cast<std::uint8_t>(value);
}

}  // namespace

std::string ToBinary(std::uint32_t value, int width) {
    if (width < 0) width = 0;
    if (width > 32) width = 32;
    std::string text(static_cast<std::size_t>(width), '0');
    for (int i = 0; i < width; ++i) {
        if ((value >> i) & 1u) text[static_cast<std::size_t>(width - 1 - i)] = '1';
    }
    return text;
}

std::string FormatData(const _VCI_CAN_OBJ& frame, int base) {
    std::string text;
    if (frame.RemoteFlag != 0) return text;
    const int n = DataCount(frame);
    char group[8];
    for (int i = 0; i < n; ++i) {
        const std::uint8_t b = frame.Data[i];
        switch (base) {
            case kBaseHex:
                std::snprintf(group, sizeof group, "%02X ", b);
                text += group;
                break;
            case kBaseDecimal:
                std::snprintf(group, sizeof group, "%03d ", b);
                text += group;
                break;
            case kBaseBinary:
                text += ToBinary(b, 8);
                text += ' ';
                break;
            case kBaseText:
                text += static_cast<char>(b);
                break;
            default:
                break;
        }
    }
    return text;
}

int ParseData(std::string_view text, _VCI_CAN_OBJ& frame, int base) {
    int n = 0;
    if (base == kBaseHex || base == kBaseBinary) {
        const std::size_t digits = base == kBaseHex ? 2 : 8;
        const std::size_t groups = (text.size() + 1) / (digits + 1);
        n = static_cast<int>(groups < 8 ? groups : 8);
        const int present = DataCount(frame);
        if (n > present) n = present;
        for (int i = 0; i < n; ++i) {
            const std::size_t at = static_cast<std::size_t>(i) * (digits + 1);
            frame.Data[i] = GroupValue(text.substr(at, digits), base);
        }
    } else if (base == kBaseDecimal) {
        std::size_t i = 0;
        while (i < text.size() && n < 8) {
            while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
            const std::size_t start = i;
            unsigned value = 0;
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
                value = (value * 10 + static_cast<unsigned>(text[i] - '0')) & 0xFFFFu;
                ++i;
            }
            if (i == start) break;
            // Only a number followed by a blank counts.
            if (i >= text.size() || text[i] != ' ') break;
            frame.Data[n++] = static_cast<std::uint8_t>(value);
        }
    } else {
        return -1;
    }
    frame.DataLen = static_cast<std::uint8_t>((frame.DataLen & 0xF0) | n);
    return n;
}

}  // namespace name_share
