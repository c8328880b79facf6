#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvex {

// The five conditions of the search pane, in the order of their history keys.
enum SearchCondition : int { kContains = 0, kEqual, kNotEqual, kGreater, kLess };
inline constexpr int kConditionCount = 5;

// String numbers of the search.
inline constexpr std::uint32_t kStrFramesFound = 115;        // "搜索到帧数"
inline constexpr std::uint32_t kStrCannotCreateFile = 3067;  // export file not created
inline constexpr std::uint32_t kStrNotFound = 3069;          // "找不到该项"
inline constexpr std::uint32_t kStrSearchTextEmpty = 3070;   // "搜索字符不能为空"

// Greater and less compare identifiers, data lengths and signal values only.
inline constexpr int kIdentifierColumn = 3;
inline constexpr int kDataLengthColumn = 6;
// Stands for a column when a signal's value is searched instead of a cell.
inline constexpr int kSignalValueColumn = -2;
bool AllowsGreaterLess(int column);

// What the pane hands to a search: the column, the ticks and the texts.
struct SearchRequest {
    int column = 0;
    std::array<bool, kConditionCount> ticked{};
    std::array<std::string, kConditionCount> texts{};

    bool AnyTicked() const;
    // True when a ticked condition's text is empty once trimmed.
    bool TickedTextEmpty() const;
};

// A condition's text as it is compared: trimmed and in lower case.
std::string ConditionText(std::string_view text);

// The values a search keeps: those from `low` to `high`, less `excluded`
// when `excludes`. Holds tests one without a branch, which a loop over
// frames of scattered identifiers would mispredict.
struct HexCellRange {
    bool empty = false;
    std::int32_t low = INT32_MIN;
    std::int32_t high = INT32_MAX;
    bool excludes = false;
    std::int32_t excluded = 0;

    bool Holds(std::int32_t value) const {
        const std::uint32_t offset =
            static_cast<std::uint32_t>(value) - static_cast<std::uint32_t>(low);
        const std::uint32_t width =
            static_cast<std::uint32_t>(high) - static_cast<std::uint32_t>(low);
        return !empty & (offset <= width) & (!excludes | (value != excluded));
    }
};

// The ticked conditions, prepared once so that testing a cell costs no
// allocation: texts trimmed, lower-cased and read as hexadecimal numbers.
class CSearchMatcher {
  public:
    explicit CSearchMatcher(const SearchRequest& request);

    // Whether every ticked condition holds for a cell already in lower case.
    // A numeric comparison with a cell or text that does not begin with a
    // hexadecimal number does not hold.
    bool Matches(std::string_view lowerCell) const;

    // The cells for which every ticked condition holds, among cells whose
    // text is a hexadecimal number written in full ("0x" and eight digits),
    // so that one equals a condition's text only when their values are
    // equal: such a cell is decided by its value alone. Contains must not be
    // ticked.
    HexCellRange FullHexCellRange() const;
    bool ContainsTicked() const { return conditions[kContains].ticked; }

    // Only contains and equal compare letters; the numeric readings and the
    // empty test do not care for case, so the cell need not be lowered.
    bool NeedsLowerCase() const {
        return conditions[kContains].ticked || conditions[kEqual].ticked;
    }

  private:
    struct Prepared {
        bool ticked = false;
        std::string lowerText;
        bool numeric = false;  // the text begins with a hexadecimal number
        std::int32_t value = 0;
    };
    std::array<Prepared, kConditionCount> conditions;
    bool anyNumeric = false;  // a ticked condition may compare hexadecimal values
};

}  // namespace korvex
