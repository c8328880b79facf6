#include "core/signals/SignalText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace korvex::signaldb {
namespace {

void AppendHex(std::string& out, std::uint64_t v, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += "0x";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kDigits[(v >> shift) & 0xF];
}

// The digits after the point that `v` needs, written in its shortest form.
int DecimalsOf(double v) {
    if (v == 0 || !std::isfinite(v)) return 0;
    char text[32];
    const char* end = std::to_chars(text, text + sizeof text, v, std::chars_format::scientific).ptr;
    const std::string_view t(text, static_cast<std::size_t>(end - text));
    const std::size_t e = t.find('e');
    const std::size_t point = t.find('.');
    const int fraction = point < e ? static_cast<int>(e - point - 1) : 0;
    int exponent = 0;
    const char* first = t.data() + e + 1;
    if (*first == '+') ++first;
    std::from_chars(first, end, exponent);
    return std::max(0, fraction - exponent);
}

bool AppendSpecialText(std::string& out, double value) {
    if (std::isnan(value)) {
        out += "NaN";
        return true;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-inf" : "inf";
        return true;
    }
    return false;
}

// The common case without std::to_chars's exact fixed notation, which costs
// several times as much: the value scaled by 10^decimals and rounded as an
// integer of at most 12 digits. The product's error stays below 1e-4, so
// away from a tie (x.5) the rounding is that of the exact value; at a tie
// the caller falls back. False when this way does not apply.
bool AppendScaledText(std::string& out, double value, int decimals) {
    static constexpr double kPowers[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const double x = value * kPowers[decimals];
    if (!(std::fabs(x) < 1e12)) return false;
    const double rounded = std::round(x);
    if (std::fabs(x - rounded) > 0.499) return false;
    const auto scaled = static_cast<long long>(rounded);
    if (scaled == 0) {
        out += '0';
        return true;
    }
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, std::llabs(scaled)).ptr;
    const auto count = static_cast<int>(end - digits);
    if (scaled < 0) out += '-';
    if (count <= decimals) {
        out += "0.";
        out.append(static_cast<std::size_t>(decimals - count), '0');
    } else {
        out.append(digits, static_cast<std::size_t>(count - decimals));
        if (decimals > 0) out += '.';
    }
    const char* fraction = end - std::min(count, decimals);
    while (end > fraction && end[-1] == '0') --end;
    out.append(fraction, end);
    if (out.back() == '.') out.pop_back();
    return true;
}

}  // namespace

int ValueDecimals(const DbcSignal& signal) {
    constexpr int kFinest = 15;
    if (signal.valueType != ValueType::kInteger) return -1;
    const int decimals = std::max(DecimalsOf(signal.factor), DecimalsOf(signal.offset));
    return decimals > kFinest ? -1 : decimals;
}

void AppendPhysicalText(std::string& out, ValueFormat format, double value) {
    if (AppendSpecialText(out, value)) return;
    char text[64];
    if (format.decimals < 0) {
        const auto narrow = static_cast<float>(value);
        const auto r = format.type == ValueType::kFloat && static_cast<double>(narrow) == value
                           ? std::to_chars(text, text + sizeof text, narrow)
                           : std::to_chars(text, text + sizeof text, value);
        out.append(text, r.ptr);
        return;
    }
    if (AppendScaledText(out, value, format.decimals)) return;
    const auto r =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, format.decimals);
    if (r.ec != std::errc()) {
        AppendNumberText(out, value);  // too long for fixed notation
        return;
    }
    std::string_view t(text, static_cast<std::size_t>(r.ptr - text));
    if (format.decimals > 0) {
        while (t.back() == '0') t.remove_suffix(1);
        if (t.back() == '.') t.remove_suffix(1);
    }
    if (t == "-0") t = "0";
    out += t;
}

void AppendIdText(std::string& out, std::uint32_t id, bool extended) {
    AppendHex(out, id, extended ? 8 : 3);
}

void AppendNumberText(std::string& out, double value) {
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, value);
    out.append(text, r.ptr);
}

void AppendRawText(std::string& out, const CompiledSignal& signal, const DecodedSignal& decoded) {
    if (signal.type != ValueType::kInteger) {
        AppendPhysicalText(out, signal.format, decoded.value);
        return;
    }
    char text[24];
    const auto r = signal.isSigned ? std::to_chars(text, text + sizeof text,
                                                   static_cast<std::int64_t>(decoded.raw))
                                   : std::to_chars(text, text + sizeof text, decoded.raw);
    out.append(text, r.ptr);
}

void AppendRawHexText(std::string& out, const CompiledSignal& signal,
                      const DecodedSignal& decoded) {
    AppendHex(out, decoded.raw & signal.mask, (signal.length + 3) / 4);
}

std::string MultiplexingText(const DbcMessage& message, const DbcSignal& signal) {
    std::string text = signal.muxTag;
    if (!signal.extendedMux || signal.multiplexor < 0) return text;
    if (!text.empty()) text += ' ';
    text += message.signalList[signal.multiplexor].name;
    text += ':';
    for (std::size_t i = 0; i < signal.muxRanges.size(); ++i) {
        const MuxRange& r = signal.muxRanges[i];
        if (i > 0) text += ',';
        text += std::to_string(r.from);
        if (r.to != r.from) text += '-' + std::to_string(r.to);
    }
    return text;
}

}  // namespace korvex::signaldb
