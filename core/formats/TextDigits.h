#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/formats/FrameClock.h"
#include "core/frame/DecimalText.h"

// Reading and writing the numbers of the text logs by hand: the writers run
// at millions of lines per second, and the readers must refuse overlong and
// oversized numbers rather than wrap them.
namespace korvex::formats {

// The value of each character as a hexadecimal digit, -1 for other characters.
constexpr std::array<std::int8_t, 256> MakeHexValues() {
    std::array<std::int8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        t[c] = c >= '0' && c <= '9'   ? static_cast<std::int8_t>(c - '0')
               : c >= 'a' && c <= 'f' ? static_cast<std::int8_t>(c - 'a' + 10)
               : c >= 'A' && c <= 'F' ? static_cast<std::int8_t>(c - 'A' + 10)
                                      : -1;
    }
    return t;
}
inline constexpr std::array<std::int8_t, 256> kHexValues = MakeHexValues();

// Two hexadecimal digits as a byte, as trace writers put every data byte;
// -1 for anything else. One digit is a byte cut short (a trace that ends
// mid-line), not a byte below 0x10.
inline int ParseHexByte(std::string_view text) {
    if (text.size() != 2) return -1;
    const int high = kHexValues[static_cast<unsigned char>(text[0])];
    const int low = kHexValues[static_cast<unsigned char>(text[1])];
    return (high | low) < 0 ? -1 : high << 4 | low;
}

// The whole text as a number of at most `max`; none for anything else (empty,
// a sign, another character, too big).
std::optional<std::uint32_t> ParseHex(std::string_view text, std::uint32_t max);
std::optional<std::uint32_t> ParseDecimal(std::string_view text, std::uint32_t max);

// "SECONDS[.FRACTION]" as ticks, rounded to the nearest 0.1 ms. None for
// anything else, or beyond the year 9999.
std::optional<Ticks> ParseSeconds(std::string_view text);

// The decimal digits after a point as a number of `kept` digits, rounded
// half up by the next one ("12345", 4 → 1235; "5", 4 → 5000): the value may
// reach 10^kept. None for no digits or another character.
std::optional<Ticks> RoundedFraction(std::string_view digits, int kept);

// Upper-case hex digits of every byte value, two per value.
constexpr std::array<char, 512> MakeHexPairs() {
    std::array<char, 512> t{};
    constexpr char kDigits[] = "0123456789ABCDEF";
    for (int v = 0; v < 256; ++v) {
        t[2 * v] = kDigits[v >> 4];
        t[2 * v + 1] = kDigits[v & 0xF];
    }
    return t;
}
inline constexpr std::array<char, 512> kHexPairs = MakeHexPairs();

inline char* PutHexByte(char* out, std::uint8_t v) {
    out[0] = kHexPairs[2 * v];
    out[1] = kHexPairs[2 * v + 1];
    return out + 2;
}
// "0x" and the two hex digits of v, upper case: "0x7F".
inline void AppendHexByteText(std::string& out, std::uint8_t v) {
    char text[4] = {'0', 'x'};
    PutHexByte(text + 2, v);
    out.append(text, sizeof text);
}
// The `digits` low hex digits of v, upper case.
inline char* PutHex(char* out, std::uint32_t v, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = kHexPairs[2 * (v & 0xF) + 1];
        v >>= 4;
    }
    return out + digits;
}
// Ticks as "S.UUUUUU" (microseconds); a negative time gets a minus sign.
char* PutSeconds(char* out, Ticks ticks);

}  // namespace korvex::formats
