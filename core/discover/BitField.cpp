#include "core/discover/BitField.h"

namespace korvex::discover {

int WordBit(ByteOrder order, int position) {
    if (order == ByteOrder::kIntel) return position;
    return (position & ~7) | (7 - (position & 7));
}

int OrderPosition(ByteOrder order, int wordBit) {
    // Reversing the bits of a byte is its own inverse.
    return WordBit(order, wordBit);
}

bool FieldFits(const BitField& field, int bytes) {
    if (field.length < 1 || field.length > 64) return false;
    const int low = field.order == ByteOrder::kIntel ? field.lsb : field.lsb - field.length + 1;
    return low >= 0 && low + field.length <= 8 * bytes;
}

int FieldWordBits(const BitField& field, int (&bits)[64]) {
    const int step = field.order == ByteOrder::kIntel ? 1 : -1;
    for (int i = 0; i < field.length; ++i) bits[i] = WordBit(field.order, field.lsb + step * i);
    return field.length;
}

std::uint64_t FieldMask(const BitField& field) {
    int bits[64];
    std::uint64_t mask = 0;
    for (int i = 0, n = FieldWordBits(field, bits); i < n; ++i) mask |= std::uint64_t{1} << bits[i];
    return mask;
}

int FieldLsbBit(const BitField& field) {
    return WordBit(field.order, field.lsb);
}

int FieldMsbBit(const BitField& field) {
    const int msb = field.order == ByteOrder::kIntel ? field.lsb + field.length - 1
                                                     : field.lsb - field.length + 1;
    return WordBit(field.order, msb);
}

bool FieldInOneByte(const BitField& field) {
    const std::uint64_t mask = FieldMask(field);
    for (int k = 0; k < 8; ++k)
        if ((mask & ~(std::uint64_t{0xFF} << (8 * k))) == 0) return true;
    return false;
}

int DbcStartBit(const BitField& field) {
    if (field.order == ByteOrder::kIntel) return field.lsb;
    return WordBit(ByteOrder::kMotorola, field.lsb - field.length + 1);
}

BitField FieldFromDbc(ByteOrder order, int startBit, int length) {
    if (order == ByteOrder::kIntel) return {order, startBit, length};
    return {order, OrderPosition(order, startBit) + length - 1, length};
}

}  // namespace korvex::discover
