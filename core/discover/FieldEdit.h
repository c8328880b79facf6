#pragma once

#include "core/discover/MessageDiscovery.h"

// Changes a user makes to the fields found before the draft is saved. Each
// keeps the fields apart and within the message's length, or changes nothing.
namespace korvex::discover {

// The field of `message` that holds data bit `wordBit` (8·byte + bit); -1
// when none does.
int FieldAt(const MessageDiscovery& message, int wordBit);

// Whether `bits` lies within the message's length and overlaps no field but
// field `index` (-1: none).
bool FieldFree(const MessageDiscovery& message, int index, const BitField& bits);

// Moves the end of field `index` that lies at data bit `fromBit` (its least
// or most significant bit) to data bit `toBit`, along the field's byte order;
// the other end stays. False when `fromBit` is no end of the field or the
// field would not fit.
bool MoveFieldEnd(MessageDiscovery& message, int index, int fromBit, int toBit);

// Reads field `index` in the other byte order from the same least
// significant bit. False when it would not fit.
bool FlipByteOrder(MessageDiscovery& message, int index);

}  // namespace korvex::discover
