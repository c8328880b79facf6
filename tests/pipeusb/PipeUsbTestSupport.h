#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "pipeusb/include/pipeusb_sim.h"

namespace pipeusb::test {

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
