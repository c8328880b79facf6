#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace korvex {

// Reads text as the C library's "%x" conversion does: leading white space
// skipped, an optional sign and "0x", then hexadecimal digits up to the first
// other character. The value is taken modulo 2^32 after saturating at 64 bits,
// as a scan into an unsigned int ends up. False when no digit was read (the
// conversion fails); `value` is then untouched.
bool ScanHex(std::string_view text, std::uint32_t& value);

// The same reading taken as a signed 32-bit number.
bool ScanHexSigned(std::string_view text, std::int32_t& value);

// True when the whole of `text`, apart from surrounding blanks, is one
// hexadecimal number of at most 32 bits with an optional 0x: the texts the
// device dialogs accept for identifiers, intervals and registers. `value` is
// untouched when false.
bool ParseHexNumber(std::string_view text, std::uint32_t& value);

// Text without leading and trailing blanks, tabs, carriage returns and line
// feeds.
std::string_view TrimBlanks(std::string_view text);

// ASCII letters to lower case in place; other bytes (UTF-8 sequences among
// them) stay as they are.
void ToLowerAscii(char* text, std::size_t size);

// Substitutes each "%s" of format with the next of texts (an empty text when
// they run out) and "%%" with "%"; every other character is copied. A format
// from a language file therefore cannot make the program read arguments it
// was not given.
std::string FormatTexts(std::string_view format, std::initializer_list<std::string_view> texts);

}  // namespace korvex
