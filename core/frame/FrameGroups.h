#pragma once

#include <type_traits>

namespace korvex {

// Calls body(first, count) for [0, n) in groups of Group items and one last,
// shorter group. For the full groups `count` is a compile-time constant, so a
// loop over a group has a known length: the compiler vectorises it at -O2,
// whose cost model leaves loops of unknown length alone.
template <int Group, typename Body>
inline void ForEachGroup(int n, Body&& body) {
    int first = 0;
    for (; first + Group <= n; first += Group) body(first, std::integral_constant<int, Group>{});
    if (first < n) body(first, n - first);
}

}  // namespace korvex
