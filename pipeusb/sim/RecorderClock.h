#pragma once

#include <cstdint>

namespace pipeusb {

// The recorder's seven-byte clock form: century, year within the century,
// month, day, hour, minute, second, each a plain number.
//
// Writes to `out` the clock `seconds` later than `in`. A clock that is not a
// valid calendar time (month 13, 30 February, hour 24 ...) does not run: it is
// copied unchanged and the result is false.
bool AdvanceClock(const std::uint8_t* in, std::uint64_t seconds, std::uint8_t* out);

}  // namespace pipeusb
