#include "core/discover/Checksum8.h"

#include <array>

namespace korvex::discover {
namespace {

using CrcTable = std::array<std::uint8_t, 256>;

constexpr CrcTable MakeCrcTable(std::uint8_t polynomial) {
    CrcTable table{};
    for (int i = 0; i < 256; ++i) {
        auto crc = static_cast<std::uint8_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint8_t>((crc & 0x80) ? (crc << 1) ^ polynomial : crc << 1);
        table[static_cast<std::size_t>(i)] = crc;
    }
    return table;
}

constexpr CrcTable kJ1850 = MakeCrcTable(0x1D);
constexpr CrcTable kH2F = MakeCrcTable(0x2F);

std::uint8_t Crc8(const CrcTable& table, std::span<const std::uint8_t> bytes) {
    std::uint8_t crc = 0xFF;
    for (const std::uint8_t b : bytes) crc = table[crc ^ b];
    return static_cast<std::uint8_t>(crc ^ 0xFF);
}

}  // namespace

const char* ChecksumName(ChecksumAlgorithm algorithm) {
    switch (algorithm) {
        case ChecksumAlgorithm::kCrc8SaeJ1850:
            return "CRC-8 SAE J1850";
        case ChecksumAlgorithm::kCrc8H2F:
            return "CRC-8H2F";
        case ChecksumAlgorithm::kSum:
            return "sum mod 256";
        case ChecksumAlgorithm::kXor:
            return "XOR";
    }
    return "";
}

std::uint8_t Checksum8(ChecksumAlgorithm algorithm, std::span<const std::uint8_t> bytes) {
    std::uint8_t result = 0;
    switch (algorithm) {
        case ChecksumAlgorithm::kCrc8SaeJ1850:
            return Crc8(kJ1850, bytes);
        case ChecksumAlgorithm::kCrc8H2F:
            return Crc8(kH2F, bytes);
        case ChecksumAlgorithm::kSum:
            for (const std::uint8_t b : bytes) result = static_cast<std::uint8_t>(result + b);
            return result;
        case ChecksumAlgorithm::kXor:
            for (const std::uint8_t b : bytes) result ^= b;
            return result;
    }
    return result;
}

}  // namespace korvex::discover
