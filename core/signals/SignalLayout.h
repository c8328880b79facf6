#pragma once

#include "core/signals/SignalDatabase.h"

// Where a signal's bits lie in a message's data bytes.
namespace korvex::signaldb {

// Bit positions counted from the most significant bit of byte 0 downwards
// (byte 0 bits 7..0 are positions 0..7, byte 1 bits 7..0 are 8..15). A
// Motorola signal occupies `length` positions from its most significant bit
// on; an Intel signal's bits, read this way, need not be adjacent, so the
// decoder reads Intel signals from the little-endian word instead.
long long MotorolaFirstPosition(int startBit);

// One past the last data byte the signal touches: a frame must carry at
// least this many bytes for the signal to be decoded.
long long SignalBytesNeeded(const DbcSignal& signal);

// Whether every bit of the signal lies in the first `bytes` data bytes.
bool SignalFitsLength(const DbcSignal& signal, long long bytes);

}  // namespace korvex::signaldb
