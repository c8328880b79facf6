#pragma once

// Builders of recorder records and recorder image files for the device tests
// and benchmarks. An image file is what the virtual recorder loads: its
// configuration, clock record list and recorded memory.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace korvex::test {

using RecorderRecord = std::array<std::uint8_t, 24>;

inline void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// An ordinary frame record. flags is byte 3: bit 7 extended, bit 6 remote,
// bits 0-3 data length.
inline RecorderRecord OrdinaryRecord(std::uint32_t id, std::uint32_t timeStamp, std::uint8_t flags,
                                     std::uint8_t direction, std::uint8_t clockIndex,
                                     std::uint8_t firstData) {
    RecorderRecord r{};
    r[0] = 0x0F;
    r[2] = direction;
    r[3] = flags;
    PutU32(&r[4], timeStamp);
    PutU32(&r[8], id);
    for (int i = 0; i < 8; ++i) r[12 + i] = static_cast<std::uint8_t>(firstData + i);
    r[20] = 0xA0;  // not read
    r[21] = clockIndex;
    r[22] = 0xA2;  // not read
    r[23] = 0xA3;
    return r;
}

// An event record: data bytes 0-7 in record bytes 8-15; bytes 16-19 are not
// read and carry noise.
inline RecorderRecord EventRecord(std::uint8_t code, std::uint8_t subCode, std::uint32_t timeStamp,
                                  std::uint8_t firstData) {
    RecorderRecord r{};
    r[0] = 0x0F;
    r[1] = code;
    r[2] = subCode;
    r[3] = 0x08;
    PutU32(&r[4], timeStamp);
    for (int i = 0; i < 8; ++i) r[8 + i] = static_cast<std::uint8_t>(firstData + i);
    for (int i = 16; i < 24; ++i) r[i] = 0xEE;
    return r;
}

// A clock record: century, year, month, day, hour, minute, second.
inline RecorderRecord ClockRecord(const std::array<std::uint8_t, 7>& clock,
                                  std::uint32_t timeStamp) {
    RecorderRecord r = EventRecord(0xFF, 0, timeStamp, 0);
    for (int i = 0; i < 8; ++i) r[8 + i] = i < 7 ? clock[i] : 0;
    return r;
}

// Record n of a synthetic recording: an ordinary frame whose identifier is n,
// so that order and completeness of an upload can be checked.
inline RecorderRecord RecordFromCounter(std::uint32_t n) {
    return OrdinaryRecord(n, n + 1, 0x08, static_cast<std::uint8_t>(n & 1 ? 0xFF : 0x00),
                          static_cast<std::uint8_t>(n % 7), static_cast<std::uint8_t>(n));
}

struct RecorderImageContent {
    std::array<std::uint8_t, 30> baseInfo{};
    std::array<std::uint8_t, 21> filterHeader{};
    std::array<std::uint8_t, 2048> filterTable{};
    std::array<std::uint8_t, 144> presets{};
    std::vector<RecorderRecord> clocks;
    std::vector<RecorderRecord> records;  // recorded first, in this order
    std::uint32_t recordCount = 0;        // then RecordFromCounter(0 .. count-1)
};

// Writes the image; false when the file cannot be written.
inline bool WriteRecorderImage(const std::string& path, const RecorderImageContent& c) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(2251 + 8 + 24 * (c.clocks.size() + c.records.size() + c.recordCount));
    const char magic[] = "KVRIMG01";
    bytes.insert(bytes.end(), magic, magic + 8);
    bytes.insert(bytes.end(), c.baseInfo.begin(), c.baseInfo.end());
    bytes.insert(bytes.end(), c.filterHeader.begin(), c.filterHeader.end());
    bytes.insert(bytes.end(), c.filterTable.begin(), c.filterTable.end());
    bytes.insert(bytes.end(), c.presets.begin(), c.presets.end());
    std::uint8_t n[4];
    PutU32(n, static_cast<std::uint32_t>(c.clocks.size()));
    bytes.insert(bytes.end(), n, n + 4);
    for (const RecorderRecord& r : c.clocks) bytes.insert(bytes.end(), r.begin(), r.end());
    PutU32(n, static_cast<std::uint32_t>(c.records.size()) + c.recordCount);
    bytes.insert(bytes.end(), n, n + 4);
    for (const RecorderRecord& r : c.records) bytes.insert(bytes.end(), r.begin(), r.end());
    for (std::uint32_t i = 0; i < c.recordCount; ++i) {
        const RecorderRecord r = RecordFromCounter(i);
        bytes.insert(bytes.end(), r.begin(), r.end());
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace korvex::test
