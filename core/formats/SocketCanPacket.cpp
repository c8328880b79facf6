#include <algorithm>

#include "core/formats/ErrorFrameMap.h"
#include "core/formats/PcapLayout.h"

namespace korvex::formats::pcap {
namespace {

constexpr std::uint32_t kIdentifierBits = 0x1FFFFFFFu;
// The error classes the kernel defines end below this bit.
constexpr std::uint32_t kErrorClassEnd = 0x10000;

// A word no frame can have: a standard identifier wider than 11 bits, or an
// error class beyond those defined.
bool Impossible(std::uint32_t word) {
    if (word & kErrorFlag) return (word & kIdentifierBits) >= kErrorClassEnd;
    return !(word & kExtendedFlag) && (word & kIdentifierBits) > 0x7FF;
}

}  // namespace

PacketKind DecodePacket(const std::uint8_t* data, std::size_t length, IdOrder& order,
                        _VCI_CAN_OBJ& frame) {
    if (length < kCanHeaderSize || (data[4] & kXlFrameFlag) != 0) return PacketKind::kNotFrame;
    std::uint32_t word = Get32(data, true);
    if (order == IdOrder::kUnknown)
        order = Impossible(word) && !Impossible(__builtin_bswap32(word)) ? IdOrder::kSwapped
                                                                         : IdOrder::kNetwork;
    if (order == IdOrder::kSwapped) word = __builtin_bswap32(word);
    const int bytes = data[4];
    // The kernel hands CAN FD frames over in packets longer than a classic one.
    const bool fd = (data[5] & kFdFrameFlag) != 0 || length > kClassicPacketSize;
    if (fd && bytes > 8) return PacketKind::kLongFd;
    const int there = static_cast<int>(std::min<std::size_t>(length - kCanHeaderSize, 8));
    frame = _VCI_CAN_OBJ{};
    if (word & kErrorFlag) {
        ErrorFrame error;
        error.errorClass = word & kIdentifierBits;
        std::copy(data + kCanHeaderSize, data + kCanHeaderSize + there, error.data);
        frame.Reserved[0] = EventOfErrorFrame(error);
        frame.Reserved[2] = error.data[5];
        return PacketKind::kFrame;
    }
    frame.ExternFlag = (word & kExtendedFlag) != 0 ? 1 : 0;
    frame.ID = word & (frame.ExternFlag ? kIdentifierBits : 0x7FFu);
    frame.RemoteFlag = !fd && (word & kRemoteFlag) != 0 ? 1 : 0;
    frame.DataLen = static_cast<std::uint8_t>(std::min(bytes, 8));
    if (!frame.RemoteFlag)
        std::copy(data + kCanHeaderSize,
                  data + kCanHeaderSize + std::min(there, int{frame.DataLen}), frame.Data);
    return fd ? PacketKind::kShortFd : PacketKind::kFrame;
}

void EncodePacket(const _VCI_CAN_OBJ& f, std::uint8_t* packet) {
    std::fill(packet, packet + kClassicPacketSize, 0);
    std::uint32_t word;
    int length;
    const std::uint8_t* data;
    ErrorFrame error;
    if (EventCode(f) != 0) {
        error = ErrorFrameOfEvent(EventCode(f), EventSubCode(f));
        word = kErrorFlag | (error.errorClass & kIdentifierBits);
        length = 8;
        data = error.data;
    } else {
        // An identifier wider than its format goes out as the bus carries it.
        word = f.ExternFlag ? kExtendedFlag | (f.ID & kIdentifierBits) : f.ID & 0x7FFu;
        if (f.RemoteFlag) word |= kRemoteFlag;
        length = std::min<int>(f.DataLen, 8);
        data = f.RemoteFlag ? nullptr : f.Data;
    }
    PutBig32(packet, word);
    packet[4] = static_cast<std::uint8_t>(length);
    if (data != nullptr) std::copy(data, data + length, packet + kCanHeaderSize);
}

}  // namespace korvex::formats::pcap
