#pragma once

#include <cstddef>
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

// The longest data text: eight binary groups of eight digits and a blank.
inline constexpr std::size_t kMaxDataText = 72;

// `width` characters '0'/'1', most significant first; bits of value above
// width are dropped. width is clamped to 0…32.
std::string ToBinary(std::uint32_t value, int width);
// The same digits written at out (no terminating zero); returns the end.
char* WriteBinary(char* out, std::uint32_t value, int width);

// Two upper-case hexadecimal digits of byte at out; returns the end.
char* WriteHexByte(char* out, std::uint8_t byte);
// Eight upper-case hexadecimal digits of value ("%08X") at out; returns the end.
char* WriteHex32(char* out, std::uint32_t value);

// The data bytes of a frame as text: base 16 "%02X ", 10 "%03d ", 2 eight
// binary digits and a blank, 0 the raw byte. A remote frame or another base
// gives "".
std::string FormatData(const _VCI_CAN_OBJ& frame, int base);
// The same text appended to text, which keeps its capacity between calls.
void AppendData(std::string& text, const _VCI_CAN_OBJ& frame, int base);
// The same text written at out, which has room for kMaxDataText characters;
// no terminating zero. Returns the number of characters written.
std::size_t WriteData(char* out, const _VCI_CAN_OBJ& frame, int base);

// Reads data bytes from text in base 16, 2 or 10 into frame (at most the
// frame's present length for 16 and 2, at most 8 always) and sets the low four
// bits of DataLen to the count. Returns the count; another base changes
// nothing and returns -1.
int ParseData(std::string_view text, _VCI_CAN_OBJ& frame, int base);

}  // namespace name_share
