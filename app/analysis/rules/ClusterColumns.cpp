#include "app/analysis/rules/ClusterColumns.h"

namespace korvex {

int AddClusterColumn(std::vector<std::int32_t>& columns, std::int32_t column) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i] == column) return -1;
        if (columns[i] > column) {
            columns.insert(columns.begin() + static_cast<std::ptrdiff_t>(i), column);
            return static_cast<int>(i);
        }
    }
    columns.push_back(column);
    return static_cast<int>(columns.size() - 1);
}

bool DeleteClusterColumn(std::vector<std::int32_t>& columns, int position) {
    if (position < 0 || static_cast<std::size_t>(position) >= columns.size()) return false;
    columns.erase(columns.begin() + position);
    return true;
}

}  // namespace korvex
