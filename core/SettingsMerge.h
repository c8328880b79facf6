#pragma once

#include <algorithm>
#include <vector>

namespace korvex {

// The list to write back when this program changed `ours` from `base` (the
// list as it last read or wrote it) while another program changed the file
// from `base` to `theirs`. Items are told apart by `same`; an item changed
// both here and there keeps our version, and nothing the other program added,
// changed or removed is undone unless we changed that very item. Our order
// comes first, the other program's new items follow in its order.
template <typename T, typename Same>
std::vector<T> MergeChangedList(const std::vector<T>& base, const std::vector<T>& ours,
                                const std::vector<T>& theirs, Same same) {
    if (ours == base) return theirs;
    if (theirs == base) return ours;
    const auto find = [&same](const std::vector<T>& list, const T& item) {
        return std::find_if(list.begin(), list.end(),
                            [&](const T& other) { return same(other, item); });
    };
    std::vector<T> merged;
    for (const T& item : ours) {
        const auto before = find(base, item);
        const bool untouchedHere = before != base.end() && *before == item;
        const auto there = find(theirs, item);
        if (!untouchedHere) {
            merged.push_back(item);  // new or changed here: ours wins
        } else if (there != theirs.end()) {
            merged.push_back(*there);  // as the other program left it
        }
        // Untouched here and removed there: it stays removed.
    }
    for (const T& item : theirs) {
        if (find(base, item) == base.end() && find(ours, item) == ours.end())
            merged.push_back(item);
    }
    return merged;
}

template <typename T>
std::vector<T> MergeChangedList(const std::vector<T>& base, const std::vector<T>& ours,
                                const std::vector<T>& theirs) {
    return MergeChangedList(base, ours, theirs, [](const T& a, const T& b) { return a == b; });
}

}  // namespace korvex
