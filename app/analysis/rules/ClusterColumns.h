#pragma once

#include <cstdint>
#include <vector>

namespace korvex {

// The chosen columns of the classification, kept ascending without
// duplicates. Returns the position at which `column` went in, or -1 when it
// was already chosen (nothing changes then).
int AddClusterColumn(std::vector<std::int32_t>& columns, std::int32_t column);

// Removes the entry at `position`; false (nothing changes) when there is none.
bool DeleteClusterColumn(std::vector<std::int32_t>& columns, int position);

}  // namespace korvex
