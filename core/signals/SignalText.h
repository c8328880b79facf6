#pragma once

#include <cstdint>
#include <string>

#include "core/signals/SignalDecoder.h"

// The texts of identifiers and signal values, the same in korvex-cli's
// output, the signal pane and the plot's exports.
namespace korvex::signaldb {

// "0x" and 3 upper-case hex digits for a standard identifier, 8 for an
// extended one.
void AppendIdText(std::string& out, std::uint32_t id, bool extended);

// The shortest decimal text that reads back to the same double
// (std::to_chars), e.g. "0.1", "-40", "1e+20", "nan", "inf".
void AppendNumberText(std::string& out, double value);

// The decimals a signal's physical values carry: as many as its factor and
// offset are written with (factor 0.1: 1, factor 0.00390625: 8, offset -40:
// 0); -1 for float and double signals and for factors finer than 1e-15,
// whose values are written with the shortest text that reads back.
int ValueDecimals(const DbcSignal& signal);

// A signal's physical value as people write it, the one text of it in the
// CSV, the signal pane, the plot and the search: with the signal's decimals,
// trailing zeros dropped ("72.6" for 72.60000000000001, "-40", "0.0039");
// a float signal's value as the float it is; "NaN", "inf", "-inf".
void AppendPhysicalText(std::string& out, ValueFormat format, double value);

// The raw value in decimal, signed where the signal is; for a float or
// double signal the physical value's text (AppendPhysicalText).
void AppendRawText(std::string& out, const CompiledSignal& signal, const DecodedSignal& decoded);

// The raw value in hexadecimal, as many digits as the signal's bytes need:
// "0x1F4". A signed value shows its two's complement in the signal's width.
void AppendRawHexText(std::string& out, const CompiledSignal& signal, const DecodedSignal& decoded);

// The multiplexing of a signal as the DBC file marks it ("M", "m3", "m3M"),
// followed, when an SG_MUL_VAL_ line selects it, by the multiplexor's name
// and its selecting values ("m3M Mode:1-3,5"); empty for a plain signal.
std::string MultiplexingText(const DbcMessage& message, const DbcSignal& signal);

}  // namespace korvex::signaldb
