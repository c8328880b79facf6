#include "core/discover/FieldEdit.h"

#include <cstdlib>

namespace korvex::discover {
namespace {

// How significant a position is in its order's numbering: Intel counts up
// from the least significant bit, Motorola down.
int Significance(ByteOrder order, int position) {
    return order == ByteOrder::kIntel ? position : -position;
}

}  // namespace

int FieldAt(const MessageDiscovery& message, int wordBit) {
    if (wordBit < 0 || wordBit >= 64) return -1;
    for (std::size_t i = 0; i < message.fields.size(); ++i)
        if (FieldMask(message.fields[i].bits) & (std::uint64_t{1} << wordBit))
            return static_cast<int>(i);
    return -1;
}

bool FieldFree(const MessageDiscovery& message, int index, const BitField& bits) {
    if (!FieldFits(bits, message.key.length)) return false;
    const std::uint64_t mask = FieldMask(bits);
    for (std::size_t i = 0; i < message.fields.size(); ++i)
        if (static_cast<int>(i) != index && (FieldMask(message.fields[i].bits) & mask))
            return false;
    return true;
}

bool MoveFieldEnd(MessageDiscovery& message, int index, int fromBit, int toBit) {
    if (index < 0 || index >= static_cast<int>(message.fields.size()) || toBit < 0 || toBit >= 64)
        return false;
    FoundField& field = message.fields[static_cast<std::size_t>(index)];
    const ByteOrder order = field.bits.order;
    const int lsb = field.bits.lsb;
    const int msb = OrderPosition(order, FieldMsbBit(field.bits));
    const int to = OrderPosition(order, toBit);
    const bool atLsb = fromBit == FieldLsbBit(field.bits);
    const bool atMsb = fromBit == FieldMsbBit(field.bits);
    if (!atLsb && !atMsb) return false;
    // A one-bit field grows towards where it is dragged.
    const bool movesMsb = atMsb && (!atLsb || Significance(order, to) >= Significance(order, lsb));
    BitField moved = field.bits;
    if (movesMsb) {
        if (Significance(order, to) < Significance(order, lsb)) return false;
        moved.length = std::abs(to - lsb) + 1;
    } else {
        if (Significance(order, to) > Significance(order, msb)) return false;
        moved.lsb = to;
        moved.length = std::abs(msb - to) + 1;
    }
    if (!FieldFree(message, index, moved)) return false;
    field.bits = moved;
    return true;
}

bool FlipByteOrder(MessageDiscovery& message, int index) {
    if (index < 0 || index >= static_cast<int>(message.fields.size())) return false;
    FoundField& field = message.fields[static_cast<std::size_t>(index)];
    const ByteOrder other =
        field.bits.order == ByteOrder::kIntel ? ByteOrder::kMotorola : ByteOrder::kIntel;
    const BitField flipped{other, OrderPosition(other, FieldLsbBit(field.bits)), field.bits.length};
    if (!FieldFree(message, index, flipped)) return false;
    field.bits = flipped;
    return true;
}

}  // namespace korvex::discover
