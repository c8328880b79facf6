#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/formats/ByteOrder.h"

// The byte layout of Vector's binary logging format as we read and write it:
// a file header, then objects that each start with "LOBJ". At the top level
// the objects are log containers whose (usually zlib-compressed) contents are
// one stream of further objects; an object may begin in one container and end
// in the next. Every number is little-endian.
namespace korvex::formats::blf {

inline constexpr char kFileSignature[4] = {'L', 'O', 'G', 'G'};
inline constexpr char kObjectSignature[4] = {'L', 'O', 'B', 'J'};

// File header: the fields below, padded to the size its second field gives
// (144 bytes as the common writers make it).
inline constexpr std::size_t kFileHeaderFields = 72;
inline constexpr std::size_t kFileHeaderSize = 144;
inline constexpr std::size_t kHeaderSizeAt = 4;
inline constexpr std::size_t kApplicationAt = 8;     // id, major, minor, build (u8 each)
inline constexpr std::size_t kBinLogVersionAt = 12;  // major, minor, build, patch (u8 each)
inline constexpr std::size_t kFileSizeAt = 16;       // u64
inline constexpr std::size_t kUncompressedAt = 24;   // u64: header and objects unpacked
inline constexpr std::size_t kObjectCountAt = 32;    // u32
inline constexpr std::size_t kStartTimeAt = 40;      // SYSTEMTIME: eight u16
inline constexpr std::size_t kStopTimeAt = 56;
inline constexpr std::size_t kSystemTimeSize = 16;

// Every object: signature, header size (u16), header version (u16), object
// size (u32, header included), object type (u32).
inline constexpr std::size_t kBaseHeaderSize = 16;
inline constexpr std::size_t kHeaderSizeFieldAt = 4;
inline constexpr std::size_t kHeaderVersionAt = 6;
inline constexpr std::size_t kObjectSizeAt = 8;
inline constexpr std::size_t kObjectTypeAt = 12;
// Header version 1 adds flags (u32), client index (u16), object version (u16)
// and the time stamp (u64); version 2 adds flags (u32), time stamp status
// (u8), a reserved byte, object version (u16), the time stamp (u64) and the
// original time stamp (u64). Both keep flags and time stamp in one place.
inline constexpr std::size_t kHeaderV1Size = 32;
inline constexpr std::size_t kHeaderV2Size = 40;
inline constexpr std::size_t kTimeFlagsAt = 16;
inline constexpr std::size_t kTimeStampAt = 24;
inline constexpr std::uint32_t kTimeTenMicros = 1;
inline constexpr std::uint32_t kTimeOneNanos = 2;

// Log container: the base header, compression method (u16), six reserved
// bytes, the unpacked size (u32), four reserved bytes, then the data.
inline constexpr std::size_t kContainerHeaderSize = 32;
inline constexpr std::size_t kMethodAt = 16;
inline constexpr std::size_t kUnpackedSizeAt = 24;
inline constexpr std::uint16_t kStored = 0;
inline constexpr std::uint16_t kZlib = 2;

enum ObjectType : std::uint32_t {
    kCanMessage = 1,
    kCanError = 2,
    kLogContainer = 10,
    kCanErrorExt = 73,
    kCanMessage2 = 86,
    kCanFdMessage = 100,
    kCanFdMessage64 = 101,
};

// Bodies, after the object header. CAN_MESSAGE and CAN_MESSAGE2: channel
// (u16), flags (u8), DLC (u8), identifier (u32), eight data bytes; message 2
// adds the frame length (u32), bit count (u8) and three reserved bytes.
inline constexpr std::size_t kCanMessageSize = 16;
inline constexpr std::uint32_t kExtendedId = 0x80000000u;
inline constexpr std::uint8_t kDirectionMask = 0x0F;  // 0 Rx, 1 Tx, 2 Tx request
inline constexpr std::uint8_t kDirectionTx = 1;
inline constexpr std::uint8_t kDirectionTxRequest = 2;
inline constexpr std::uint8_t kRemoteFlag = 0x80;

// CAN_FD_MESSAGE: channel (u16), flags (u8, as above), DLC (u8), identifier
// (u32), frame length (u32), bit count (u8), FD flags (u8), valid data bytes
// (u8), five reserved bytes, 64 data bytes.
inline constexpr std::size_t kCanFdMessageSize = 84;
inline constexpr std::size_t kFdFlagsAt = 13;
inline constexpr std::size_t kFdValidBytesAt = 14;
inline constexpr std::size_t kFdDataAt = 20;
inline constexpr std::uint8_t kFdEdl = 0x01;  // a CAN FD frame, not a classic one

// CAN_FD_MESSAGE_64: channel (u8), DLC (u8), valid data bytes (u8), Tx count
// (u8), identifier (u32), frame length (u32), flags (u32), two bit-rate words,
// two time offsets (u32 each), bit count (u16), direction (u8), offset of
// extended data (u8), CRC (u32), then the valid data bytes.
inline constexpr std::size_t kCanFd64Size = 40;
inline constexpr std::size_t kFd64FlagsAt = 12;
inline constexpr std::size_t kFd64DirectionAt = 34;
inline constexpr std::uint32_t kFd64Remote = 0x0010;
inline constexpr std::uint32_t kFd64Edl = 0x1000;

// CAN_ERROR: channel (u16), length (u16).
inline constexpr std::size_t kCanErrorSize = 4;

// CAN_ERROR_EXT: channel (u16), length (u16), flags (u32), ECC (u8), position
// (u8), DLC (u8), a reserved byte, frame length (u32), identifier (u32),
// extended flags (u16), two reserved bytes, eight data bytes.
inline constexpr std::size_t kCanErrorExtSize = 32;
inline constexpr std::size_t kErrorEccAt = 8;
inline constexpr std::size_t kErrorDlcAt = 10;
inline constexpr std::size_t kErrorIdAt = 16;
inline constexpr std::size_t kErrorDataAt = 24;

using formats::Get16;
using formats::Get32;
using formats::Get64;
using formats::Put16;
using formats::Put32;
using formats::Put64;

inline bool HasSignature(const std::uint8_t* p, const char (&signature)[4]) {
    return std::memcmp(p, signature, 4) == 0;
}

// The payload length of a CAN FD length code.
inline int FdLength(std::uint8_t dlc) {
    static constexpr int kLengths[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 20, 24, 32, 48, 64};
    return kLengths[dlc & 0x0F];
}

}  // namespace korvex::formats::blf
