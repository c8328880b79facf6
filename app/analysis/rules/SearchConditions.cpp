#include "app/analysis/rules/SearchConditions.h"

#include <algorithm>

#include "app/common/rules/HexText.h"

namespace korvex {

bool AllowsGreaterLess(int column) {
    return column == kIdentifierColumn || column == kDataLengthColumn ||
           column == kSignalValueColumn;
}

bool SearchRequest::AnyTicked() const {
    for (bool t : ticked)
        if (t) return true;
    return false;
}

bool SearchRequest::TickedTextEmpty() const {
    for (int c = 0; c < kConditionCount; ++c)
        if (ticked[c] && TrimBlanks(texts[c]).empty()) return true;
    return false;
}

std::string ConditionText(std::string_view text) {
    std::string lower(TrimBlanks(text));
    ToLowerAscii(lower.data(), lower.size());
    return lower;
}

CSearchMatcher::CSearchMatcher(const SearchRequest& request) {
    for (int c = 0; c < kConditionCount; ++c) {
        Prepared& p = conditions[c];
        p.ticked = request.ticked[c];
        p.lowerText = ConditionText(request.texts[c]);
        p.numeric = ScanHexSigned(p.lowerText, p.value);
        if (c != kContains && p.ticked) anyNumeric = true;
    }
}

bool CSearchMatcher::Matches(std::string_view lowerCell) const {
    std::int32_t cellValue = 0;
    const bool cellNumeric = anyNumeric && ScanHexSigned(lowerCell, cellValue);
    const auto numeric = [&](const Prepared& p) { return cellNumeric && p.numeric; };

    const Prepared& contains = conditions[kContains];
    if (contains.ticked && lowerCell.find(contains.lowerText) == std::string_view::npos)
        return false;
    const Prepared& equal = conditions[kEqual];
    if (equal.ticked && lowerCell != equal.lowerText &&
        !(numeric(equal) && cellValue == equal.value))
        return false;
    const Prepared& notEqual = conditions[kNotEqual];
    if (notEqual.ticked && !lowerCell.empty() &&
        !(numeric(notEqual) && cellValue != notEqual.value))
        return false;
    const Prepared& greater = conditions[kGreater];
    if (greater.ticked && !(numeric(greater) && cellValue > greater.value)) return false;
    const Prepared& less = conditions[kLess];
    if (less.ticked && !(numeric(less) && cellValue < less.value)) return false;
    return true;
}

HexCellRange CSearchMatcher::FullHexCellRange() const {
    HexCellRange range;
    for (int c = kEqual; c < kConditionCount; ++c) {
        const Prepared& p = conditions[c];
        if (!p.ticked) continue;
        // A text that is no number never equals, nor compares with, a cell.
        if (!p.numeric) range.empty = true;
        switch (c) {
            case kEqual:
                range.low = std::max(range.low, p.value);
                range.high = std::min(range.high, p.value);
                break;
            case kNotEqual:
                range.excludes = true;
                range.excluded = p.value;
                break;
            case kGreater:
                if (p.value == INT32_MAX) range.empty = true;
                range.low = std::max(range.low, p.value + (p.value < INT32_MAX));
                break;
            default:  // kLess
                if (p.value == INT32_MIN) range.empty = true;
                range.high = std::min(range.high, p.value - (p.value > INT32_MIN));
                break;
        }
    }
    if (range.low > range.high) range.empty = true;
    return range;
}

}  // namespace korvex
