#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Sizes, start bytes and byte helpers of the recorder's USB packets. Every
// multi-byte number on the wire is little-endian.
namespace pipeusb {

inline constexpr std::uint8_t kCommandStart = 0x7E;
inline constexpr std::uint8_t kBulkStart = 0x9E;

inline constexpr std::size_t kCommandPacketSize = 64;
inline constexpr std::size_t kMaxPayload = 59;  // 4 header bytes + payload + checksum = 64
inline constexpr std::size_t kLongBulkPayload = 2050;
inline constexpr std::size_t kLongBulkPacketSize = 2058;  // 4 + payload + u32 length
inline constexpr std::size_t kCommandReplySize = 64;
inline constexpr std::size_t kBulkReplySize = 9605;
inline constexpr std::size_t kReplyPayloadOffset = 4;

inline constexpr std::size_t kRecordSize = 24;
inline constexpr std::size_t kBlockRecords = 400;
inline constexpr std::size_t kBlockBytes = kBlockRecords * kRecordSize;
inline constexpr std::size_t kMaxClockListRecords = 255;  // the count travels in one byte

inline constexpr std::size_t kBaseInfoSize = 30;
inline constexpr std::size_t kClockOffset = 23;  // seven clock bytes at the end of BaseInfo
inline constexpr std::size_t kClockSize = 7;
inline constexpr std::size_t kFilterHeaderSize = 21;  // five u32 section offsets + enable byte
inline constexpr std::size_t kFilterTableSize = 2048;
inline constexpr std::size_t kPresetCount = 6;
inline constexpr std::size_t kPresetBytes = kPresetCount * kRecordSize;

static_assert(kReplyPayloadOffset + kBlockBytes + 1 == kBulkReplySize);
static_assert(kReplyPayloadOffset + 1 + kMaxClockListRecords * kRecordSize < kBulkReplySize);
static_assert(4 + kMaxPayload + 1 == kCommandPacketSize);

// Command codes.
inline constexpr std::uint8_t kCmdWriteBaseInfo = 0x11;
inline constexpr std::uint8_t kCmdWritePresets = 0x12;
inline constexpr std::uint8_t kCmdWriteFilter = 0x13;
inline constexpr std::uint8_t kCmdReadBaseInfo = 0x14;
inline constexpr std::uint8_t kCmdReadPresets = 0x15;
inline constexpr std::uint8_t kCmdReadFilter = 0x16;
inline constexpr std::uint8_t kCmdUpload = 0x17;
inline constexpr std::uint8_t kCmdClearMemory = 0x18;
inline constexpr std::uint8_t kCmdFactoryDefault = 0x19;
inline constexpr std::uint8_t kCmdClockList = 0x1A;

// Recorder record fields.
inline constexpr std::uint8_t kRecordMarker = 0x0F;
inline constexpr std::uint8_t kEventClock = 0xFF;
inline constexpr std::uint8_t kEventSpanEnd = 0xFE;
inline constexpr std::size_t kRecordClockIndexOffset = 21;

inline std::uint32_t LoadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void StoreU32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

// XOR of n bytes; eight at a time because a bulk reply checksums 9604 bytes.
inline std::uint8_t XorBytes(const std::uint8_t* p, std::size_t n) {
    std::uint64_t wide = 0;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        wide ^= w;
    }
    wide ^= wide >> 32;
    wide ^= wide >> 16;
    wide ^= wide >> 8;
    auto x = static_cast<std::uint8_t>(wide);
    for (; i < n; ++i) x ^= p[i];
    return x;
}

}  // namespace pipeusb
