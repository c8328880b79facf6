#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/analysis/rules/SearchConditions.h"

namespace korvex {

// Settings section and keys of the search pane.
inline constexpr char kSearchSection[] = "SearchItemValue";
inline constexpr char kSearchLinesKey[] = "Lines";
inline constexpr char kSearchTypeKey[] = "Type";

// The history key of entry `index` of a condition's box: "Include%d",
// "Equal%d", "UnEqual%d", "Bigger%d" or "Smaller%d".
std::string SearchHistoryKey(SearchCondition condition, int index);

// The drop-down history of one condition box, newest first.
class CSearchHistory {
  public:
    static constexpr int kStoredEntries = 10;

    // Reads entries 0, 1, ... until an empty one or the tenth.
    void Load(const std::function<std::string(int index)>& read);
    // The entries that storing writes: at most ten, newest first.
    void Store(const std::function<void(int index, const std::string& text)>& write) const;

    // Records a search text: trimmed; an empty one changes nothing. The first
    // entry that begins with it, ignoring case, looked for from the second
    // entry on and wrapping round to the first, is dropped; then the text
    // becomes entry 0. Returns the trimmed text.
    std::string Record(std::string_view text);

    const std::vector<std::string>& Entries() const { return entries; }

  private:
    std::vector<std::string> entries;
};

}  // namespace korvex
