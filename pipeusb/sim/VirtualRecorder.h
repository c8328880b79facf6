#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "pipeusb/sim/RecorderImage.h"
#include "pipeusb/sim/RecorderState.h"

namespace pipeusb {

// One virtual recorder: parses every packet written to it and answers it as the
// real device does. Time comes in as an argument, so the model itself never
// reads a clock and tests control it fully. Not thread-safe; its owner locks.
class CVirtualRecorder {
  public:
    // The two ways into the device: the command channel (packets written on
    // PIPE07, 64-byte replies on PIPE06) and the bulk channel (short bulk
    // packets on PIPE03, 9605-byte replies on PIPE02).
    enum class Channel { Command, Bulk };

    // Status byte of a reply: 0 when done; bit 7 set when refused, the low bits
    // saying why.
    enum Status : std::uint8_t {
        kStatusOk = 0x00,
        kStatusBadChecksum = 0x81,
        kStatusBadFrame = 0x82,  // start byte, packet size, length field
        kStatusUnknownCommand = 0x83,
        kStatusBadPayloadLength = 0x84,
        kStatusBadArgument = 0x85,
        kStatusOutOfSequence = 0x86,  // filter table without its header
        kStatusStorageFailed = 0x87,  // the image file could not be written
    };

    // `imagePath` empty: nothing is written back. Otherwise every configuration
    // write and memory clear rewrites that image file whole.
    explicit CVirtualRecorder(RecorderImage image, std::string imagePath = {});

    // Answers `packet` received on `channel` at `nowMs` (a steady millisecond
    // count). Writes the reply into `reply`, which has room for kBulkReplySize
    // bytes, and returns its length: kCommandReplySize or kBulkReplySize.
    std::size_t Answer(Channel channel, const std::uint8_t* packet, std::size_t length,
                       std::uint64_t nowMs, std::uint8_t* reply);

    const RecorderConfig& Config() const { return config_; }
    const RecorderMemory& Memory() const { return memory_; }
    // The seven clock bytes the recorder shows at `nowMs`.
    std::array<std::uint8_t, kClockSize> ClockAt(std::uint64_t nowMs) const;

  private:
    std::uint8_t DoCommand(std::uint8_t code, const std::uint8_t* payload, std::size_t length,
                           std::uint64_t nowMs, std::uint8_t* reply);
    std::uint8_t DoFilterTable(std::uint8_t code, const std::uint8_t* payload, std::uint64_t nowMs);
    std::uint8_t DoBulk(std::uint8_t code, const std::uint8_t* payload, std::size_t length,
                        std::uint8_t* reply);
    // Makes `next` the configuration once the image file holds it.
    std::uint8_t CommitConfig(const RecorderConfig& next, std::uint64_t nowMs);
    // Writes the image file, if there is one. The clock bytes of `config` are
    // taken as they stand when the host has just set them; otherwise the image
    // gets the clock as it reads at `nowMs`.
    bool Persist(const RecorderConfig& config, const RecorderMemory& memory, std::uint64_t nowMs,
                 bool clockJustSet) const;

    RecorderConfig config_;
    RecorderMemory memory_;
    std::string imagePath_;
    // The clock runs once the host has set it: it then shows the clock bytes of
    // the base configuration plus the whole seconds since clockSetAtMs_.
    bool clockRunning_ = false;
    std::uint64_t clockSetAtMs_ = 0;
    // A filter header waits here for its table; both take effect together.
    std::optional<std::array<std::uint8_t, kFilterHeaderSize>> pendingFilterHeader_;
};

}  // namespace pipeusb
