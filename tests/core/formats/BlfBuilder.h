#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "core/formats/BlfLayout.h"

// Builds binary logging files byte by byte for the reader's tests: objects
// with either header version and time unit, containers stored or packed, the
// stream of objects cut into containers wherever a test wants.
namespace korvex::test {

using Bytes = std::vector<std::uint8_t>;

// Appends little-endian numbers of the given byte widths: {value, width}...;
// bytes beyond the eighth are zeros.
inline void Append(Bytes& b, std::initializer_list<std::pair<std::uint64_t, int>> fields) {
    for (const auto& [value, width] : fields)
        for (int i = 0; i < width; ++i)
            b.push_back(i < 8 ? static_cast<std::uint8_t>(value >> (8 * i)) : 0);
}

// `data` padded with zeros (or cut) to `size` bytes.
inline Bytes Padded(const Bytes& data, std::size_t size) {
    Bytes b = data;
    b.resize(size, 0);
    return b;
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
    const std::uint64_t size = header + o.body.size();
    Bytes b = {'L', 'O', 'B', 'J'};
    Append(b, {{header, 2}, {o.headerVersion, 2}, {size, 4}, {o.type, 4}, {o.timeFlags, 4}});
    // Version 2: status, reserved, object version, stamp, original stamp;
    // version 1: client index, object version, stamp.
    if (o.headerVersion == 2) {
        Append(b, {{0, 4}, {o.stamp, 8}, {0, 8}});
    } else {
        Append(b, {{0, 4}, {o.stamp, 8}});
    }
    b.insert(b.end(), o.body.begin(), o.body.end());
    b.insert(b.end(), size % 4, 0);
    return b;
}

// CAN_MESSAGE (type 1) or, with 8 more bytes, CAN_MESSAGE2 (86) body.
inline Bytes CanBody(std::uint16_t channel, std::uint8_t flags, std::uint8_t dlc, std::uint32_t id,
                     const Bytes& data, bool message2 = false) {
    Bytes b;
    Append(b, {{channel, 2}, {flags, 1}, {dlc, 1}, {id, 4}});
    const Bytes bytes = Padded(data, message2 ? 16 : 8);
    b.insert(b.end(), bytes.begin(), bytes.end());
    return b;
}

// CAN_FD_MESSAGE (100) body: frame length, bit count, FD flags, valid bytes,
// five reserved bytes, 64 data bytes.
inline Bytes CanFdBody(std::uint16_t channel, std::uint8_t flags, std::uint8_t dlc,
                       std::uint32_t id, std::uint8_t fdFlags, const Bytes& data) {
    Bytes b;
    Append(b, {{channel, 2},
               {flags, 1},
               {dlc, 1},
               {id, 4},
               {0, 4},
               {0, 1},
               {fdFlags, 1},
               {data.size(), 1},
               {0, 5}});
    const Bytes bytes = Padded(data, 64);
    b.insert(b.end(), bytes.begin(), bytes.end());
    return b;
}

// CAN_FD_MESSAGE_64 (101) body, the data behind it.
inline Bytes CanFd64Body(std::uint8_t channel, std::uint8_t dlc, std::uint32_t id,
                         std::uint32_t flags, std::uint8_t direction, const Bytes& data) {
    Bytes b;
    // Frame length, flags, two bit rates and two time offsets, bit count,
    // direction, offset of extended data, CRC.
    Append(b, {{channel, 1},
               {dlc, 1},
               {data.size(), 1},
               {0, 1},
               {id, 4},
               {0, 4},
               {flags, 4},
               {0, 16},
               {0, 2},
               {direction, 1},
               {0, 1},
               {0, 4}});
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// CAN_ERROR_EXT (73) body: flags 1 says the error code capture is valid.
inline Bytes CanErrorBody(std::uint16_t channel, std::uint32_t id, const Bytes& data,
                          std::uint8_t ecc = 0) {
    Bytes b;
    Append(b, {{channel, 2},
               {0, 2},
               {ecc != 0 ? 1 : 0, 4},
               {ecc, 1},
               {0, 1},
               {data.size(), 1},
               {0, 1},
               {0, 4},
               {id, 4},
               {0, 4}});
    const Bytes bytes = Padded(data, 8);
    b.insert(b.end(), bytes.begin(), bytes.end());
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
    const std::uint64_t size = 32 + payload.size();
    const auto unpacked = static_cast<std::uint64_t>(stated >= 0 ? stated : data.size());
    Bytes b = {'L', 'O', 'B', 'J'};
    Append(b, {{16, 2},
               {1, 2},
               {size, 4},
               {formats::blf::kLogContainer, 4},
               {stored ? 0u : 2u, 2},
               {0, 6},
               {unpacked, 4},
               {0, 4}});
    b.insert(b.end(), payload.begin(), payload.end());
    b.insert(b.end(), size % 4, 0);
    return b;
}

// The file header with a start time (year 0 for none) and an object count.
inline Bytes FileHeader(int year, int month, int day, int hour, int minute, int second, int ms,
                        std::uint32_t objects = 0) {
    Bytes b = {'L', 'O', 'G', 'G'};
    Append(b, {{144, 4}, {0, 8}, {0, 8}, {0, 8}, {objects, 4}, {0, 4}});
    for (int v : {year, month, 0, day, hour, minute, second, ms})
        Append(b, {{static_cast<std::uint64_t>(v), 2}});
    return Padded(b, 144);
}

// The stream of objects cut into containers of at most `piece` bytes.
inline Bytes Containers(const Bytes& stream, std::size_t piece, bool stored = false) {
    Bytes out;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        const auto from = stream.begin() + static_cast<std::ptrdiff_t>(at);
        const Bytes c = ContainerBytes(
            Bytes(from, from + static_cast<std::ptrdiff_t>(std::min(piece, stream.size() - at))),
            stored);
        out.insert(out.end(), c.begin(), c.end());
    }
    return out;
}

}  // namespace korvex::test
