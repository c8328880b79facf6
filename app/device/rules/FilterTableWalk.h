#pragma once

#include <cstdint>
#include <vector>

#include "logport/include/logport.h"

namespace korvex::device {

// The four filter formats, in the order of the format list.
enum class FilterFormat : int { kStdExplicit = 0, kStdGroup = 1, kExtExplicit = 2, kExtGroup = 3 };

inline bool IsExtended(FilterFormat f) {
    return f == FilterFormat::kExtExplicit || f == FilterFormat::kExtGroup;
}
inline bool IsGroup(FilterFormat f) {
    return f == FilterFormat::kStdGroup || f == FilterFormat::kExtGroup;
}

// One entry of a filter table, or one row of the filter list.
struct FilterEntry {
    std::uint32_t channel = 0;
    FilterFormat format = FilterFormat::kStdExplicit;
    std::uint32_t start = 0;
    std::uint32_t end = 0;

    bool operator==(const FilterEntry&) const = default;
};

// The entries of a filter record in table order, each section's kind taken
// from the record's section starts. A record whose end lies beyond the table
// gives nothing; an entry that would run past the end is not read.
std::vector<FilterEntry> WalkFilterTable(const FilterInfo& info);

}  // namespace korvex::device
