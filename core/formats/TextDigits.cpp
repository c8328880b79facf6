#include "core/formats/TextDigits.h"

namespace korvex::formats {
namespace {

constexpr std::int64_t kLastSecond = kLastTime / kTicksPerSecond;

}  // namespace

std::optional<std::uint32_t> ParseHex(std::string_view text, std::uint32_t max) {
    if (text.empty()) return std::nullopt;
    std::uint64_t v = 0;
    for (char c : text) {
        const int d = kHexValues[static_cast<unsigned char>(c)];
        if (d < 0) return std::nullopt;
        v = v * 16 + static_cast<unsigned>(d);
        if (v > max) return std::nullopt;
    }
    return static_cast<std::uint32_t>(v);
}

std::optional<std::uint32_t> ParseDecimal(std::string_view text, std::uint32_t max) {
    if (text.empty()) return std::nullopt;
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<unsigned>(c - '0');
        if (v > max) return std::nullopt;
    }
    return static_cast<std::uint32_t>(v);
}

std::optional<Ticks> ParseSeconds(std::string_view text) {
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    if (whole.empty() || whole.size() > 12) return std::nullopt;
    std::int64_t seconds = 0;
    for (char c : whole) {
        if (c < '0' || c > '9') return std::nullopt;
        seconds = seconds * 10 + (c - '0');
    }
    if (seconds > kLastSecond) return std::nullopt;
    Ticks fraction = 0;
    if (dot != std::string_view::npos) {
        const std::optional<Ticks> tenths = RoundedFraction(text.substr(dot + 1), 4);
        if (!tenths) return std::nullopt;
        fraction = *tenths;
    }
    return seconds * kTicksPerSecond + fraction;
}

std::optional<Ticks> RoundedFraction(std::string_view digits, int kept) {
    if (digits.empty()) return std::nullopt;
    Ticks value = 0;
    bool up = false;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const char c = digits[i];
        if (c < '0' || c > '9') return std::nullopt;
        if (static_cast<int>(i) < kept) {
            value = value * 10 + (c - '0');
        } else if (static_cast<int>(i) == kept) {
            up = c >= '5';
        }
    }
    for (int i = static_cast<int>(digits.size()); i < kept; ++i) value *= 10;
    return value + (up ? 1 : 0);
}

char* PutSeconds(char* out, Ticks ticks) {
    std::uint64_t magnitude;
    if (ticks < 0) {
        *out++ = '-';
        magnitude = static_cast<std::uint64_t>(-(ticks + 1)) + 1;
    } else {
        magnitude = static_cast<std::uint64_t>(ticks);
    }
    out = PutDecimal(out, magnitude / kTicksPerSecond);
    *out++ = '.';
    // Ticks are 100 µs, so the last two of the six digits are always 0.
    out = PutDecimal(out, magnitude % kTicksPerSecond, 4);
    *out++ = '0';
    *out++ = '0';
    return out;
}

}  // namespace korvex::formats
