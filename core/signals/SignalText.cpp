#include "core/signals/SignalText.h"

#include <charconv>

namespace korvex::signaldb {
namespace {

void AppendHex(std::string& out, std::uint64_t v, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += "0x";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kDigits[(v >> shift) & 0xF];
}

}  // namespace

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
        AppendNumberText(out, decoded.value);
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
