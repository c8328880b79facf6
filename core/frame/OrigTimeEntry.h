#pragma once

#include <cstddef>
#include <cstdint>

#include "CanObj.h"

#pragma pack(push, 1)
// One clock reference, taken from a clock record of the recorder. A frame's
// clock index points into the global list of these.
struct OrigTimeEntry {
    std::uint8_t date[4];  // century, year in century, month, day; carried only
    std::uint8_t hour;
    std::uint8_t minute;
    std::uint8_t second;
    std::uint32_t timeStamp;    // recorder time stamp at that clock instant (unaligned)
    std::uint8_t bitRateIndex;  // bit rate of the span it opens: 0 = 1000 ... 9 = 5 kbit/s
};
#pragma pack(pop)

static_assert(sizeof(OrigTimeEntry) == 12);
static_assert(offsetof(OrigTimeEntry, hour) == 4);
static_assert(offsetof(OrigTimeEntry, minute) == 5);
static_assert(offsetof(OrigTimeEntry, second) == 6);
static_assert(offsetof(OrigTimeEntry, timeStamp) == 7);
static_assert(offsetof(OrigTimeEntry, bitRateIndex) == 11);

namespace korvex {

// Builds the reference from a clock record (event code 0xFF).
OrigTimeEntry MakeOrigTimeEntry(const _VCI_CAN_OBJ& clockRecord);

}  // namespace korvex
