#pragma once

// One request/reply exchange with the recorder. Retries are the callers'
// business; an exchange is one write followed by one read.

#include <cstdint>
#include <span>

#include "logport/PacketCodec.h"
#include "logport/PipeSet.h"

namespace logport {

// Read and write time-outs in ms.
inline constexpr std::uint32_t kCommandTimeoutMs = 4000;
inline constexpr std::uint32_t kBulkReadTimeoutMs = 2000;

// Sends a command packet on "PIPE07" and reads a 64-byte reply from "PIPE06".
// reply is zeroed first, so a missing reply fails the check.
bool ExchangeCommand(const PipeSet& pipes, std::uint8_t code, std::span<const std::uint8_t> payload,
                     CommandReply& reply);

// Sends a bulk packet on "PIPE07" and reads a 64-byte command reply from
// "PIPE06" (the filter table write).
bool ExchangeBulk(const PipeSet& pipes, std::uint8_t code, std::span<const std::uint8_t> payload,
                  CommandReply& reply);

// Sends a short bulk packet on "PIPE03" and reads a 9605-byte bulk reply from
// "PIPE02".
bool ExchangeBulk(const PipeSet& pipes, std::uint8_t code, std::span<const std::uint8_t> payload,
                  BulkReply& reply);

}  // namespace logport
