#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/frame/CanObj.h"

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

// The record's last four-byte word: Data[7], then the event code, the clock
// index and the event sub-code (little-endian). A loop over many records that
// loads this word costs the processor less than one that gathers single bytes.
inline std::uint32_t LastWord(const _VCI_CAN_OBJ& frame) {
    static_assert(offsetof(_VCI_CAN_OBJ, Reserved) == 21);
    std::uint32_t word;
    std::memcpy(&word, reinterpret_cast<const unsigned char*>(&frame) + 20, sizeof word);
    return word;
}
// EventCode and ClockIndex read from that word.
inline std::uint8_t EventCodeByWord(const _VCI_CAN_OBJ& frame) {
    return static_cast<std::uint8_t>(LastWord(frame) >> 8);
}
inline std::uint8_t ClockIndexByWord(const _VCI_CAN_OBJ& frame) {
    return static_cast<std::uint8_t>(LastWord(frame) >> 16);
}

}  // namespace korvex
