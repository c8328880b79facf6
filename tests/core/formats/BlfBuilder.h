#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/formats/BlfLayout.h"

// Builds binary logging files byte by byte for the reader's tests: objects
// with either header version and time unit, containers stored or packed, the
// stream of objects cut into containers wherever a test wants.
namespace korvex::test {

using Bytes = std::vector<std::uint8_t>;

inline void Append16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Append32(Bytes& b, std::uint32_t v) {
    Append16(b, static_cast<std::uint16_t>(v));
    Append16(b, static_cast<std::uint16_t>(v >> 16));
}
inline void Append64(Bytes& b, std::uint64_t v) {
    Append32(b, static_cast<std::uint32_t>(v));
    Append32(b, static_cast<std::uint32_t>(v >> 32));
}

struct BlfObject {
    std::uint32_t type;
    Bytes body;
    std::uint64_t stamp = 0;
    int headerVersion = 1;
    std::uint32_t timeFlags = formats::blf::kTimeOneNanos;
};

// The object with its header, padded as the common writers pad (size mod 4).
inline Bytes ObjectBytes(const BlfObject& o) {
    const std::size_t header = o.headerVersion == 2 ? 40 : 32;
    const auto size = static_cast<std::uint32_t>(header + o.body.size());
    Bytes b = {'L', 'O', 'B', 'J'};
    Append16(b, static_cast<std::uint16_t>(header));
    Append16(b, static_cast<std::uint16_t>(o.headerVersion));
    Append32(b, size);
    Append32(b, o.type);
    Append32(b, o.timeFlags);
    if (o.headerVersion == 2) {
        b.insert(b.end(), {0, 0, 0, 0});  // status, reserved, object version
        Append64(b, o.stamp);
        Append64(b, 0);  // original time stamp
    } else {
        Append32(b, 0);  // client index, object version
        Append64(b, o.stamp);
    }
    b.insert(b.end(), o.body.begin(), o.body.end());
    b.insert(b.end(), size % 4, 0);
    return b;
}

// CAN_MESSAGE (type 1) or CAN_MESSAGE2 (86) body.
inline Bytes CanBody(std::uint16_t channel, std::uint8_t flags, std::uint8_t dlc, std::uint32_t id,
                     const Bytes& data, bool message2 = false) {
    Bytes b;
    Append16(b, channel);
    b.push_back(flags);
    b.push_back(dlc);
    Append32(b, id);
    for (std::size_t i = 0; i < 8; ++i) b.push_back(i < data.size() ? data[i] : 0);
    if (message2) b.insert(b.end(), 8, 0);
    return b;
}

// CAN_FD_MESSAGE (100) body.
inline Bytes CanFdBody(std::uint16_t channel, std::uint8_t flags, std::uint8_t dlc,
                       std::uint32_t id, std::uint8_t fdFlags, const Bytes& data) {
    Bytes b;
    Append16(b, channel);
    b.push_back(flags);
    b.push_back(dlc);
    Append32(b, id);
    Append32(b, 0);  // frame length
    b.push_back(0);  // bit count
    b.push_back(fdFlags);
    b.push_back(static_cast<std::uint8_t>(data.size()));
    b.insert(b.end(), 5, 0);
    for (std::size_t i = 0; i < 64; ++i) b.push_back(i < data.size() ? data[i] : 0);
    return b;
}

// CAN_FD_MESSAGE_64 (101) body, the data behind it.
inline Bytes CanFd64Body(std::uint8_t channel, std::uint8_t dlc, std::uint32_t id,
                         std::uint32_t flags, std::uint8_t direction, const Bytes& data) {
    Bytes b = {channel, dlc, static_cast<std::uint8_t>(data.size()), 0};
    Append32(b, id);
    Append32(b, 0);  // frame length
    Append32(b, flags);
    b.insert(b.end(), 16, 0);  // bit rates, time offsets
    Append16(b, 0);            // bit count
    b.push_back(direction);
    b.push_back(0);  // offset of extended data
    Append32(b, 0);  // CRC
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// CAN_ERROR_EXT (73) body.
inline Bytes CanErrorBody(std::uint16_t channel, std::uint32_t id, const Bytes& data) {
    Bytes b;
    Append16(b, channel);
    Append16(b, 0);
    Append32(b, 0);
    b.insert(b.end(), {0, 0, static_cast<std::uint8_t>(data.size()), 0});
    Append32(b, 0);
    Append32(b, id);
    Append32(b, 0);
    for (std::size_t i = 0; i < 8; ++i) b.push_back(i < data.size() ? data[i] : 0);
    return b;
}

// A container object holding `data` (packed with zlib unless `stored`);
// `stated` overrides the unpacked size it states.
inline Bytes ContainerBytes(const Bytes& data, bool stored = false, long long stated = -1) {
    Bytes payload = data;
    if (!stored) {
        uLongf size = compressBound(static_cast<uLong>(data.size()));
        payload.resize(size);
        compress(payload.data(), &size, data.data(), static_cast<uLong>(data.size()));
        payload.resize(size);
    }
    const auto size = static_cast<std::uint32_t>(32 + payload.size());
    Bytes b = {'L', 'O', 'B', 'J'};
    Append16(b, 16);
    Append16(b, 1);
    Append32(b, size);
    Append32(b, formats::blf::kLogContainer);
    Append16(b, stored ? 0 : 2);
    b.insert(b.end(), 6, 0);
    Append32(
        b, static_cast<std::uint32_t>(stated >= 0 ? stated : static_cast<long long>(data.size())));
    Append32(b, 0);
    b.insert(b.end(), payload.begin(), payload.end());
    b.insert(b.end(), size % 4, 0);
    return b;
}

// The file header with a start time (year 0 for none) and an object count.
inline Bytes FileHeader(int year, int month, int day, int hour, int minute, int second, int ms,
                        std::uint32_t objects = 0) {
    Bytes b = {'L', 'O', 'G', 'G'};
    Append32(b, 144);
    b.insert(b.end(), 8, 0);
    Append64(b, 0);
    Append64(b, 0);
    Append32(b, objects);
    Append32(b, 0);
    for (int v : {year, month, 0, day, hour, minute, second, ms})
        Append16(b, static_cast<std::uint16_t>(v));
    b.insert(b.end(), 16, 0);
    b.resize(144, 0);
    return b;
}

// The stream of objects cut into containers of at most `piece` bytes.
inline Bytes Containers(const Bytes& stream, std::size_t piece, bool stored = false) {
    Bytes out;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        const Bytes part(
            stream.begin() + static_cast<std::ptrdiff_t>(at),
            stream.begin() + static_cast<std::ptrdiff_t>(std::min(stream.size(), at + piece)));
        const Bytes c = ContainerBytes(part, stored);
        out.insert(out.end(), c.begin(), c.end());
    }
    return out;
}

inline std::string AsString(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

}  // namespace korvex::test
