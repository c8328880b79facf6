#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/frame/CanObj.h"

namespace korvex {

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
