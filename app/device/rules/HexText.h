#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvex::device {

// Reads `text` as "%x" does (blanks skipped, optional sign and 0x, digits up to
// the first other character). False when no number was converted; `value` is
// then untouched.
bool ScanHex(const std::string& text, std::uint32_t& value);

// True when the whole of `text`, apart from surrounding blanks, is one
// hexadecimal number of at most 32 bits with an optional 0x: the texts the
// device dialogs accept for identifiers, intervals and registers.
bool ParseHexNumber(std::string_view text, std::uint32_t& value);

// `value` as printf formats it with `format` (one unsigned conversion).
std::string FormatU32(const char* format, std::uint32_t value);

}  // namespace korvex::device
