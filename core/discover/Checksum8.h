#pragma once

#include <cstdint>
#include <span>

// The one-byte checksums that messages commonly carry, each over a run of
// bytes in order.
namespace korvex::discover {

enum class ChecksumAlgorithm : std::uint8_t { kCrc8SaeJ1850, kCrc8H2F, kSum, kXor };

inline constexpr ChecksumAlgorithm kChecksumAlgorithms[] = {
    ChecksumAlgorithm::kCrc8SaeJ1850, ChecksumAlgorithm::kCrc8H2F, ChecksumAlgorithm::kSum,
    ChecksumAlgorithm::kXor};

// "CRC-8 SAE J1850", "CRC-8H2F", "sum mod 256", "XOR".
const char* ChecksumName(ChecksumAlgorithm algorithm);

// The checksum of `bytes`. The CRCs start from 0xFF and end with an XOR of
// 0xFF (polynomial 0x1D, and 0x2F for CRC-8H2F).
std::uint8_t Checksum8(ChecksumAlgorithm algorithm, std::span<const std::uint8_t> bytes);

}  // namespace korvex::discover
