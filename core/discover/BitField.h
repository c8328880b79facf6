#pragma once

#include <cstdint>

#include "core/signals/SignalDatabase.h"

// A run of bits in a message's data, read as one integer. Positions count in
// the byte order's own direction, so that a field is always the positions
// lsb … lsb+length−1 (Intel) or lsb−length+1 … lsb (Motorola):
//   Intel:    8·byte + bit      (the little-endian data word's bit number)
//   Motorola: 8·byte + 7 − bit  (byte 0's most significant bit is 0)
namespace korvex::discover {

using signaldb::ByteOrder;

struct BitField {
    ByteOrder order = ByteOrder::kIntel;
    int lsb = 0;
    int length = 1;
    bool operator==(const BitField&) const = default;
};

// The little-endian word's bit number (8·byte + bit) of a position.
int WordBit(ByteOrder order, int position);
// The position of a word bit in `order`'s numbering.
int OrderPosition(ByteOrder order, int wordBit);

// Whether the field lies within `bytes` data bytes.
bool FieldFits(const BitField& field, int bytes);
// The word bit of its least and of its most significant bit.
int FieldLsbBit(const BitField& field);
int FieldMsbBit(const BitField& field);

// Whether all its bits lie in one byte, where both byte orders read alike.
bool FieldInOneByte(const BitField& field);
// Its bits in the little-endian data word.
std::uint64_t FieldMask(const BitField& field);
// Its word bit numbers from least to most significant; returns the count.
int FieldWordBits(const BitField& field, int (&bits)[64]);

// The field's unsigned value in the little-endian data word `data`.
inline std::uint64_t FieldRaw(const BitField& field, std::uint64_t data) {
    const std::uint64_t mask =
        field.length >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << field.length) - 1;
    if (field.order == ByteOrder::kIntel) return (data >> field.lsb) & mask;
    return (__builtin_bswap64(data) >> (63 - field.lsb)) & mask;
}

// A raw value of `length` bits read as two's complement.
inline std::int64_t SignExtend(std::uint64_t raw, int length) {
    if (length >= 64) return static_cast<std::int64_t>(raw);
    const std::uint64_t sign = std::uint64_t{1} << (length - 1);
    return static_cast<std::int64_t>((raw ^ sign) - sign);
}

// The DBC start bit: the least significant bit of an Intel field, the most
// significant of a Motorola one, as 8·byte + bit.
int DbcStartBit(const BitField& field);
BitField FieldFromDbc(ByteOrder order, int startBit, int length);

}  // namespace korvex::discover
