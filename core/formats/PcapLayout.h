#pragma once

#include <cstddef>
#include <cstdint>

#include "core/formats/ByteOrder.h"
#include "core/frame/CanObj.h"

// The bytes of pcap and pcapng files and of a SocketCAN packet.
namespace korvex::formats::pcap {

inline constexpr std::uint32_t kPcapMicros = 0xA1B2C3D4;
inline constexpr std::uint32_t kPcapNanos = 0xA1B23C4D;
inline constexpr std::size_t kPcapHeaderSize = 24;
inline constexpr std::size_t kPcapRecordSize = 16;

inline constexpr std::uint32_t kSectionHeader = 0x0A0D0D0A;
inline constexpr std::uint32_t kInterfaceDescription = 1;
inline constexpr std::uint32_t kSimplePacket = 3;
inline constexpr std::uint32_t kEnhancedPacket = 6;
inline constexpr std::uint32_t kByteOrderMagic = 0x1A2B3C4D;
inline constexpr std::size_t kBlockFrame = 12;  // type, total length, body, total length
inline constexpr std::size_t kEnhancedFields = 20;

inline constexpr std::uint16_t kOptionEnd = 0;
inline constexpr std::uint16_t kOptionName = 2;       // if_name
inline constexpr std::uint16_t kOptionTsResol = 9;    // if_tsresol
inline constexpr std::uint16_t kOptionTsOffset = 14;  // if_tsoffset
inline constexpr std::uint16_t kOptionFlags = 2;      // epb_flags
inline constexpr std::uint32_t kFlagsDirectionMask = 3;
inline constexpr std::uint32_t kFlagsOutbound = 2;

inline constexpr std::uint16_t kLinkTypeSocketCan = 227;

// A SocketCAN packet: identifier word (network byte order), length, FD
// flags, two reserved bytes, the data.
inline constexpr std::size_t kCanHeaderSize = 8;
inline constexpr std::size_t kClassicPacketSize = 16;
inline constexpr std::uint32_t kExtendedFlag = 0x80000000u;
inline constexpr std::uint32_t kRemoteFlag = 0x40000000u;
inline constexpr std::uint32_t kErrorFlag = 0x20000000u;
inline constexpr std::uint8_t kFdFrameFlag = 0x04;  // CANFD_FDF
inline constexpr std::uint8_t kXlFrameFlag = 0x80;  // CANXL_XLF, in the length byte's place

inline std::uint16_t Get16(const std::uint8_t* p, bool big) {
    return big ? GetBig16(p) : formats::Get16(p);
}
inline std::uint32_t Get32(const std::uint8_t* p, bool big) {
    return big ? GetBig32(p) : formats::Get32(p);
}
inline std::uint64_t Get64(const std::uint8_t* p, bool big) {
    return big ? GetBig64(p) : formats::Get64(p);
}

// What a SocketCAN packet is.
enum class PacketKind {
    kFrame,     // a frame or an error frame (as an event record)
    kShortFd,   // a CAN FD frame of up to 8 bytes, read as a classic frame
    kLongFd,    // a CAN FD frame of more than 8 bytes
    kNotFrame,  // a CAN XL frame or a packet too short for its header
};

// How an interface's identifier words are ordered: network order, as the
// link type says, or the host order some older captures hold.
enum class IdOrder { kUnknown, kNetwork, kSwapped };

// Reads the `length` captured bytes of a packet into `frame` (all but time
// and clock index). `order` is settled by the first packet of an interface
// whose identifier word is impossible in network order but not swapped.
PacketKind DecodePacket(const std::uint8_t* data, std::size_t length, IdOrder& order,
                        _VCI_CAN_OBJ& frame);

// The 16 bytes of the classic packet of a frame or, for an event record, of
// its error frame.
void EncodePacket(const _VCI_CAN_OBJ& frame, std::uint8_t* packet);

}  // namespace korvex::formats::pcap
