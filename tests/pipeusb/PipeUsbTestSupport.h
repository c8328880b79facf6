#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>

#include <string>
#include <vector>
#include "tests/support/TempFolder.h"

#include "pipeusb/include/pipeusb_sim.h"

namespace pipeusb::test {

using korvex::test::TempFolder;

inline constexpr std::size_t kCommandReply = 64;
inline constexpr std::size_t kBulkReply = 9605;

// A host-to-device packet built by hand: start byte, code, length, 0, payload,
// XOR checksum, zero padding to 64 bytes; or the 2058-byte long form for a
// 2050-byte payload.
inline std::vector<std::uint8_t> Packet(std::uint8_t start, std::uint8_t code,
                                        const std::vector<std::uint8_t>& payload) {
    if (payload.size() == 2050) {
        std::vector<std::uint8_t> p(2058, 0);
        p[0] = start;
        p[1] = code;
        p[2] = 0x00;
        p[3] = 0xFF;
        for (std::size_t i = 0; i < payload.size(); ++i) p[4 + i] = payload[i];
        p[2053] = 0;
        std::uint8_t x = 0;
        for (std::size_t i = 0; i < 2053; ++i) x ^= p[i];
        p[2053] = x;
        p[2054] = 0x02;
        p[2055] = 0x08;
        return p;
    }
    std::vector<std::uint8_t> p(64, 0);
    p[0] = start;
    p[1] = code;
    p[2] = static_cast<std::uint8_t>(payload.size());
    std::uint8_t x = p[0] ^ p[1] ^ p[2];
    for (std::size_t i = 0; i < payload.size() && 4 + i < 63; ++i) {
        p[4 + i] = payload[i];
        x ^= payload[i];
    }
    if (4 + payload.size() < 64) p[4 + payload.size()] = x;
    return p;
}

inline std::vector<std::uint8_t> CommandPacket(std::uint8_t code,
                                               const std::vector<std::uint8_t>& payload) {
    return Packet(0x7E, code, payload);
}

inline std::vector<std::uint8_t> BulkPacket(std::uint8_t code,
                                            const std::vector<std::uint8_t>& payload) {
    return Packet(0x9E, code, payload);
}

inline std::vector<std::uint8_t> U32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

inline std::uint32_t LoadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16) |
           static_cast<std::uint32_t>(p[3]) << 24;
}

// The 64-byte command reply the recorder sends: 7E, echo, status, payload
// length, payload, XOR of everything before it, zeros.
inline std::vector<std::uint8_t> CommandReply(std::uint8_t code, std::uint8_t status,
                                              const std::vector<std::uint8_t>& payload = {}) {
    std::vector<std::uint8_t> r(64, 0);
    r[0] = 0x7E;
    r[1] = code;
    r[2] = status;
    r[3] = static_cast<std::uint8_t>(payload.size());
    std::copy(payload.begin(), payload.end(), r.begin() + 4);
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < 4 + payload.size(); ++i) x ^= r[i];
    r[4 + payload.size()] = x;
    return r;
}

// The 9605-byte bulk reply: 9E, echo, status, 0, payload, zeros, and the XOR
// of bytes 0..9603 in the last byte.
inline std::vector<std::uint8_t> BulkReply(std::uint8_t code, std::uint8_t status,
                                           const std::vector<std::uint8_t>& payload = {}) {
    std::vector<std::uint8_t> r(9605, 0);
    r[0] = 0x9E;
    r[1] = code;
    r[2] = status;
    std::copy(payload.begin(), payload.end(), r.begin() + 4);
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < 9604; ++i) x ^= r[i];
    r[9604] = x;
    return r;
}

// Recorder record number i of a test recording: every field derived from i.
inline std::vector<std::uint8_t> TestRecord(std::uint32_t i, std::uint8_t event = 0) {
    std::vector<std::uint8_t> r(24, 0);
    r[0] = 0x0F;
    r[1] = event;
    r[2] = static_cast<std::uint8_t>(i * 3);
    r[3] = 0x88;
    const auto ts = U32(i + 1);
    const auto id = U32(0x100 + i);
    std::copy(ts.begin(), ts.end(), r.begin() + 4);
    std::copy(id.begin(), id.end(), r.begin() + 8);
    for (int k = 0; k < 8; ++k)
        r[static_cast<std::size_t>(12 + k)] =
            static_cast<std::uint8_t>(i + static_cast<std::uint32_t>(k));
    r[21] = static_cast<std::uint8_t>(i % 7);
    return r;
}

inline std::vector<std::uint8_t> TestRecords(std::uint32_t first, std::uint32_t count,
                                             std::uint8_t event = 0) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t i = first; i < first + count; ++i) {
        const auto r = TestRecord(i, event);
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

// A recorder image assembled field by field.
struct ImageParts {
    std::vector<std::uint8_t> baseInfo = std::vector<std::uint8_t>(30, 0);
    std::vector<std::uint8_t> filterHeader = std::vector<std::uint8_t>(21, 0);
    std::vector<std::uint8_t> filterTable = std::vector<std::uint8_t>(2048, 0);
    std::vector<std::uint8_t> presets = std::vector<std::uint8_t>(144, 0);
    std::uint32_t clockCount = 0;
    std::vector<std::uint8_t> clocks;
    std::uint32_t recordCount = 0;
    std::vector<std::uint8_t> records;

    std::vector<std::uint8_t> Bytes() const {
        std::vector<std::uint8_t> out = {'K', 'V', 'R', 'I', 'M', 'G', '0', '1'};
        for (const auto* part : {&baseInfo, &filterHeader, &filterTable, &presets})
            out.insert(out.end(), part->begin(), part->end());
        const auto c = U32(clockCount);
        out.insert(out.end(), c.begin(), c.end());
        out.insert(out.end(), clocks.begin(), clocks.end());
        const auto m = U32(recordCount);
        out.insert(out.end(), m.begin(), m.end());
        out.insert(out.end(), records.begin(), records.end());
        return out;
    }
};

inline void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

struct Reply {
    std::uint32_t result = 0;
    std::uint32_t received = 0;
    std::uint32_t sent = 0;
    std::vector<std::uint8_t> bytes;
};

// One recorder opened the way the device link library opens it: the device,
// then the eight pipes in their fixed order.
class CSimSession {
  public:
    explicit CSimSession(std::uint32_t index = 0) : index_(index) {}
    ~CSimSession() { Close(); }
    CSimSession(const CSimSession&) = delete;
    CSimSession& operator=(const CSimSession&) = delete;

    bool Open() {
        if (GetDeviceList() != 1 || GetDevCount() <= index_) return false;
        dev_ = OpenDev(index_);
        bool all = dev_ != 0;
        static constexpr const char* kNames[8] = {"PIPE00", "PIPE01", "PIPE06", "PIPE07",
                                                  "PIPE02", "PIPE03", "PIPE08", "PIPE09"};
        for (int i = 0; i < 8; ++i) {
            pipes_[i] = OpenPipe(index_, kNames[i]);
            all = all && pipes_[i] != 0;
        }
        return all;
    }

    void Close() {
        for (std::uint32_t& p : pipes_) ClosePipe(&p);
        CloseDev(&dev_);
    }

    std::uint32_t CommandIn() const { return pipes_[2]; }
    std::uint32_t CommandOut() const { return pipes_[3]; }
    std::uint32_t BulkIn() const { return pipes_[4]; }
    std::uint32_t BulkOut() const { return pipes_[5]; }

    Reply Exchange(std::uint32_t readPipe, std::size_t readLength, std::uint32_t writePipe,
                   const std::vector<std::uint8_t>& packet, std::uint32_t timeoutMs = 4000) {
        Reply r;
        r.bytes.assign(readLength, 0);
        r.result = WritePipeFollowReadPipeImmediate(
            readPipe, r.bytes.data(), static_cast<std::uint32_t>(readLength), &r.received,
            timeoutMs, writePipe, packet.data(), static_cast<std::uint32_t>(packet.size()), &r.sent,
            4000);
        return r;
    }

    // A packet on the command channel (command or long bulk), 64-byte reply.
    Reply Command(const std::vector<std::uint8_t>& packet) {
        return Exchange(CommandIn(), kCommandReply, CommandOut(), packet);
    }
    Reply Command(std::uint8_t code, const std::vector<std::uint8_t>& payload) {
        return Command(CommandPacket(code, payload));
    }
    // A short bulk packet on the bulk channel, 9605-byte reply.
    Reply Bulk(const std::vector<std::uint8_t>& packet) {
        return Exchange(BulkIn(), kBulkReply, BulkOut(), packet);
    }
    Reply Bulk(std::uint8_t code, const std::vector<std::uint8_t>& payload) {
        return Bulk(BulkPacket(code, payload));
    }

  private:
    std::uint32_t index_;
    std::uint32_t dev_ = 0;
    std::array<std::uint32_t, 8> pipes_{};
};

}  // namespace pipeusb::test
