#pragma once

#include <cstdint>

namespace korvex {

// Writes v in decimal at out, at least `minDigits` digits (zeros in front, as
// "%0*llu" writes it), and returns the end. By hand: every time cell of an
// export and every number of a text log passes here.
char* PutDecimal(char* out, std::uint64_t v, int minDigits = 1);

}  // namespace korvex
