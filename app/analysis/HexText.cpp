#include "app/analysis/HexText.h"

#include <limits>

namespace korvex {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool ScanHex(std::string_view text, std::uint32_t& value) {
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // "0x" counts as a prefix only when a digit follows; otherwise the 0 is the number.
    if (at + 2 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X') &&
        HexDigit(text[at + 2]) >= 0)
        at += 2;
    std::uint64_t v = 0;
    bool any = false;
    bool saturated = false;
    for (; at < text.size(); ++at) {
        const int d = HexDigit(text[at]);
        if (d < 0) break;
        any = true;
        if (v > (std::numeric_limits<std::uint64_t>::max() >> 4)) saturated = true;
        v = (v << 4) | static_cast<std::uint64_t>(d);
    }
    if (!any) return false;
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

std::string_view TrimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

void ToLowerAscii(char* text, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
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
