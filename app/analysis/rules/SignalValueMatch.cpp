#include "app/analysis/rules/SignalValueMatch.h"

#include <charconv>

#include "app/common/rules/HexText.h"
#include "core/signals/SignalText.h"

namespace korvex {
namespace {

bool WholeDecimal(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size();
}

bool WholeHex(std::string_view text, std::uint64_t& value) {
    if (!text.starts_with("0x")) return false;
    text.remove_prefix(2);
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size();
}

}  // namespace

CSignalValueMatcher::CSignalValueMatcher(const SearchRequest& request) {
    for (int c = 0; c < kConditionCount; ++c) {
        Prepared& p = conditions[c];
        p.ticked = request.ticked[c];
        p.lowerText = ConditionText(request.texts[c]);
        if (WholeHex(p.lowerText, p.raw))
            p.number = Number::kRaw;
        else if (WholeDecimal(p.lowerText, p.physical))
            p.number = Number::kPhysical;
    }
}

int CSignalValueMatcher::Compare(const Prepared& p, const signaldb::CompiledSignal& signal,
                                 const signaldb::DecodedSignal& decoded) {
    if (p.number == Number::kRaw) {
        const std::uint64_t raw = decoded.raw & signal.mask;
        return raw < p.raw ? -1 : raw > p.raw ? 1 : 0;
    }
    if (p.number == Number::kPhysical) {
        if (decoded.value < p.physical) return -1;
        if (decoded.value > p.physical) return 1;
        if (decoded.value == p.physical) return 0;
    }
    return 2;
}

bool CSignalValueMatcher::LowerTableText(const signaldb::DecodedSignal& decoded,
                                         std::string& text) {
    if (decoded.text == nullptr) return false;
    text.assign(*decoded.text);
    ToLowerAscii(text.data(), text.size());
    return true;
}

bool CSignalValueMatcher::EqualHolds(const Prepared& p, const signaldb::CompiledSignal& signal,
                                     const signaldb::DecodedSignal& decoded,
                                     std::string& text) const {
    return Compare(p, signal, decoded) == 0 ||
           (LowerTableText(decoded, text) && text == p.lowerText);
}

bool CSignalValueMatcher::Matches(const signaldb::CompiledSignal& signal,
                                  const signaldb::DecodedSignal& decoded,
                                  std::string& text) const {
    if (const Prepared& p = conditions[kContains]; p.ticked) {
        text.clear();
        signaldb::AppendPhysicalText(text, signal.format, decoded.value);
        const bool inNumber = text.find(p.lowerText) != std::string::npos;
        if (!inNumber && !(LowerTableText(decoded, text) &&
                           text.find(p.lowerText) != std::string::npos))
            return false;
    }
    if (const Prepared& p = conditions[kEqual]; p.ticked && !EqualHolds(p, signal, decoded, text))
        return false;
    if (const Prepared& p = conditions[kNotEqual];
        p.ticked && EqualHolds(p, signal, decoded, text))
        return false;
    if (const Prepared& p = conditions[kGreater]; p.ticked && Compare(p, signal, decoded) != 1)
        return false;
    if (const Prepared& p = conditions[kLess]; p.ticked && Compare(p, signal, decoded) != -1)
        return false;
    return true;
}

}  // namespace korvex
