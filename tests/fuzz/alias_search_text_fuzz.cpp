// Feeds arbitrary user text to the alias window's key reading and to the
// search's conditions: the first byte picks the field or condition, the rest
// is the typed text (and, for the search, also the cell).
#include <cstdint>
#include <string>

#include "app/analysis/rules/AliasRules.h"
#include "app/analysis/rules/SearchConditions.h"
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
    return 0;
}
