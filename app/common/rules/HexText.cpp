#include "app/common/rules/HexText.h"

#include <array>
#include <cstring>
#include <limits>

namespace korvex {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The value of each byte as a hexadecimal digit, -1 for any other byte: one
// load per character, since every cell of a search is read this way.
constexpr std::array<signed char, 256> kHexDigits = [] {
    std::array<signed char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        table[static_cast<std::size_t>(c)] =
            c >= '0' && c <= '9'   ? static_cast<signed char>(c - '0')
            : c >= 'a' && c <= 'f' ? static_cast<signed char>(c - 'a' + 10)
            : c >= 'A' && c <= 'F' ? static_cast<signed char>(c - 'A' + 10)
                                   : -1;
    }
    return table;
}();

int HexDigit(char c) {
    return kHexDigits[static_cast<unsigned char>(c)];
}

}  // namespace

bool ScanHex(std::string_view text, std::uint32_t& value) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && IsBlank(*p)) ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    // "0x" counts as a prefix only when a digit follows; otherwise the 0 is the number.
    if (end - p > 2 && p[0] == '0' && (p[1] | 0x20) == 'x' && HexDigit(p[2]) >= 0) p += 2;
    const char* const digits = p;
    // Leading zeros add nothing; more than sixteen other digits saturate.
    while (p != end && *p == '0') ++p;
    const char* const significant = p;
    std::uint64_t v = 0;
    for (int d; p != end && (d = HexDigit(*p)) >= 0; ++p)
        v = (v << 4) | static_cast<std::uint64_t>(d);
    if (p == digits) return false;
    const bool saturated = p - significant > 16;
    if (saturated) {
        v = std::numeric_limits<std::uint64_t>::max();
    } else if (negative) {
        v = ~v + 1;
    }
    value = static_cast<std::uint32_t>(v);
    return true;
}

bool ScanHexSigned(std::string_view text, std::int32_t& value) {
    std::uint32_t v = 0;
    if (!ScanHex(text, v)) return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

bool ParseHexNumber(std::string_view text, std::uint32_t& value) {
    // Only blanks, tabs, carriage returns and line feeds surround a number typed into a dialog.
    const auto surrounding = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && surrounding(text.front())) text.remove_prefix(1);
    while (!text.empty() && surrounding(text.back())) text.remove_suffix(1);
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

std::string_view TrimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

void ToLowerAscii(char* text, std::size_t size) {
    // Eight bytes at a time, since every cell of a search passes here. In
    // each byte below 0x80: bit 7 of (b + 0x80 - 'A') says b >= 'A', bit 7 of
    // (b + 0x7F - 'Z') says b > 'Z'; their difference marks 'A' to 'Z', whose
    // bit 5 is then set. Bytes of 0x80 and above are never touched.
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHigh = 0x80 * kOnes;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text + i, 8);
        const std::uint64_t low = word & ~kHigh;
        const std::uint64_t atLeastA = low + (0x80 - 'A') * kOnes;
        const std::uint64_t aboveZ = low + (0x7F - 'Z') * kOnes;
        const std::uint64_t upper = (atLeastA ^ aboveZ) & ~word & kHigh;
        word |= upper >> 2;
        std::memcpy(text + i, &word, 8);
    }
    for (; i < size; ++i) {
        const char c = text[i];
        if (c >= 'A' && c <= 'Z') text[i] = static_cast<char>(c - 'A' + 'a');
    }
}

std::string FormatTexts(std::string_view format, std::initializer_list<std::string_view> texts) {
    std::string out;
    const std::string_view* next = texts.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == 's') {
                if (next != texts.end()) out += *next++;
                ++i;
                continue;
            }
            if (format[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

}  // namespace korvex
