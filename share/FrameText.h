#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/frame/CanObj.h"

namespace name_share {

// Display formats of the data text (bShowType).
inline constexpr int kBaseText = 0;
inline constexpr int kBaseBinary = 2;
inline constexpr int kBaseDecimal = 10;
inline constexpr int kBaseHex = 16;

// `width` characters '0'/'1', most significant first; bits of value above
// width are dropped. width is clamped to 0…32.
std::string ToBinary(std::uint32_t value, int width);

// The data bytes of a frame as text: base 16 "%02X ", 10 "%03d ", 2 eight
// binary digits and a blank, 0 the raw byte. A remote frame gives "".
std::string FormatData(const _VCI_CAN_OBJ& frame, int base);

// Reads data bytes from text in base 16, 2 or 10 into frame (at most the
// frame's present length for 16 and 2, at most 8 always) and sets the low four
// bits of DataLen to the count. Returns the count; another base changes
// nothing and returns -1.
int ParseData(std::string_view text, _VCI_CAN_OBJ& frame, int base);

}  // namespace name_share
