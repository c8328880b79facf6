#include "share/FrameText.h"

#include <array>
#include <cctype>
#include <cstring>

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

// Per byte value: "%02X " (hex), "%03d " (decimal) and eight binary digits
// with a blank, each ready to copy.
struct DigitTables {
    std::array<std::array<char, 3>, 256> hex;
    std::array<std::array<char, 4>, 256> decimal;
    std::array<std::array<char, 9>, 256> binary;
};

constexpr DigitTables MakeTables() {
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    DigitTables t{};
    for (int v = 0; v < 256; ++v) {
        const auto i = static_cast<std::size_t>(v);
        t.hex[i] = {kHexDigits[v >> 4], kHexDigits[v & 0x0F], ' '};
        t.decimal[i] = {static_cast<char>('0' + v / 100), static_cast<char>('0' + v / 10 % 10),
                        static_cast<char>('0' + v % 10), ' '};
        for (int b = 0; b < 8; ++b) {
            t.binary[i][static_cast<std::size_t>(b)] =
                static_cast<char>('0' + ((v >> (7 - b)) & 1));
        }
        t.binary[i][8] = ' ';
    }
    return t;
}

constexpr DigitTables kTables = MakeTables();
static_assert(8 * sizeof kTables.binary[0] == kMaxDataText);

}  // namespace

std::string ToBinary(std::uint32_t value, int width) {
    char digits[32];
    return std::string(digits, WriteBinary(digits, value, width));
}

char* WriteBinary(char* out, std::uint32_t value, int width) {
    if (width < 0) width = 0;
    if (width > 32) width = 32;
    // Leading bits one at a time, then whole bytes from the table.
    int bit = width;
    for (; bit % 8 != 0; --bit) *out++ = static_cast<char>('0' + ((value >> (bit - 1)) & 1u));
    for (; bit > 0; bit -= 8) {
        std::memcpy(out, kTables.binary[(value >> (bit - 8)) & 0xFFu].data(), 8);
        out += 8;
    }
    return out;
}

char* WriteHexByte(char* out, std::uint8_t byte) {
    std::memcpy(out, kTables.hex[byte].data(), 2);
    return out + 2;
}

char* WriteHex32(char* out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out = WriteHexByte(out, static_cast<std::uint8_t>(value >> shift));
    }
    return out;
}

std::size_t WriteData(char* out, const _VCI_CAN_OBJ& frame, int base) {
    if (frame.RemoteFlag != 0) return 0;
    const int n = DataCount(frame);
    char* p = out;
    switch (base) {
        case kBaseHex:
            // Three characters per byte; the table entry carries the blank.
            for (int i = 0; i < n; ++i, p += 3)
                std::memcpy(p, kTables.hex[frame.Data[i]].data(), 3);
            break;
        case kBaseDecimal:
            for (int i = 0; i < n; ++i, p += 4) {
                std::memcpy(p, kTables.decimal[frame.Data[i]].data(), 4);
            }
            break;
        case kBaseBinary:
            for (int i = 0; i < n; ++i, p += 9) {
                std::memcpy(p, kTables.binary[frame.Data[i]].data(), 9);
            }
            break;
        case kBaseText:
            for (int i = 0; i < n; ++i) *p++ = static_cast<char>(frame.Data[i]);
            break;
        default:
            break;
    }
    return static_cast<std::size_t>(p - out);
}

void AppendData(std::string& text, const _VCI_CAN_OBJ& frame, int base) {
    char buf[kMaxDataText];
    text.append(buf, WriteData(buf, frame, base));
}

std::string FormatData(const _VCI_CAN_OBJ& frame, int base) {
    std::string text;
    AppendData(text, frame, base);
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
