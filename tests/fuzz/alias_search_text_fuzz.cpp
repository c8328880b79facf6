// Feeds arbitrary user text to the alias window's key reading and to the
// search's conditions on cells and on signal values: the first byte picks
// the field or condition, the rest is the typed text (and, for the search,
// also the cell or the value table's text).
#include <cstdint>
#include <string>

#include "app/analysis/rules/AliasRules.h"
#include "app/analysis/rules/SearchConditions.h"
#include "app/analysis/rules/SignalValueMatch.h"
#include "app/common/rules/HexText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    korvex::AliasFields fields;
    fields.field = kKeyIdentifier + data[0] % 5;
    fields.value = text;
    fields.choice = data[0] & 1;
    OBJKEY key;
    if (korvex::ReadAliasKey(fields, key) == 0 && key.icolInd == kKeyDataBytes) {
        if (key.dwData > 8 || key.bEnd > key.dwData || key.bStart >= key.bEnd) __builtin_trap();
    }

    korvex::SearchRequest request;
    const int condition = data[0] % korvex::kConditionCount;
    request.ticked[condition] = true;
    request.texts[condition] = text;
    std::string cell = text;
    korvex::ToLowerAscii(cell.data(), cell.size());
    const korvex::CSearchMatcher matcher(request);
    // A text always contains itself and equals itself.
    if (condition == korvex::kContains || condition == korvex::kEqual) {
        const std::string trimmed(korvex::TrimBlanks(cell));
        if (!matcher.Matches(trimmed)) __builtin_trap();
    }

    // A signal whose value table names its value with the typed text: equal
    // holds and not-equal does not, whatever the number reading makes of it.
    korvex::signaldb::CompiledSignal signal;
    signal.length = static_cast<std::uint8_t>(1 + data[0] % 64);
    signal.mask = signal.length == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << signal.length) - 1;
    const std::string tableText(korvex::TrimBlanks(text));
    korvex::signaldb::DecodedSignal decoded;
    decoded.raw = size * 0x9E3779B97F4A7C15u;
    decoded.value = static_cast<double>(static_cast<std::int64_t>(decoded.raw));
    decoded.text = &tableText;
    korvex::SearchRequest equal;
    equal.ticked[korvex::kEqual] = true;
    equal.texts[korvex::kEqual] = text;
    korvex::SearchRequest notEqual;
    notEqual.ticked[korvex::kNotEqual] = true;
    notEqual.texts[korvex::kNotEqual] = text;
    std::string buffer;
    if (!korvex::CSignalValueMatcher(equal).Matches(signal, decoded, buffer) ||
        korvex::CSignalValueMatcher(notEqual).Matches(signal, decoded, buffer))
        __builtin_trap();
    korvex::CSignalValueMatcher(request).Matches(signal, decoded, buffer);
    return 0;
}
