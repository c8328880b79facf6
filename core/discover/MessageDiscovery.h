#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/discover/BitField.h"
#include "core/discover/Checksum8.h"

// What was found in the frames of one identifier and data length.
namespace korvex::discover {

struct MessageKey {
    std::uint32_t id = 0;
    bool extended = false;
    std::uint8_t length = 0;  // data bytes, 1 to 8
    bool operator==(const MessageKey&) const = default;
};

enum class FieldKind : std::uint8_t { kCounter, kChecksum, kSignal, kFlag };

struct FoundField {
    FieldKind kind = FieldKind::kSignal;
    BitField bits;
    bool isSigned = false;
    std::int64_t minimum = 0;  // raw values seen
    std::int64_t maximum = 0;
    // Flip rates of the least and the most significant bit.
    double lsbFlipRate = 0;
    double msbFlipRate = 0;
    // Checksums: what the byte is computed by, and whether the identifier's
    // low byte goes before the other data bytes.
    ChecksumAlgorithm algorithm = ChecksumAlgorithm::kXor;
    bool withIdByte = false;
};

enum class DiscoveryStatus : std::uint8_t { kAnalysed, kTooFewFrames, kTooFewChanges };

struct MessageDiscovery {
    MessageKey key;
    std::int64_t frames = 0;    // frames of this identifier and length
    std::int64_t analysed = 0;  // the first frames, up to kMaxAnalysedFrames
    std::int64_t changes = 0;   // analysed frames whose data differ from the one before
    // Per data bit (8·byte + bit): frames where it is 1, and frames where it
    // differs from the frame before.
    std::array<std::int64_t, 64> ones{};
    std::array<std::int64_t, 64> flips{};
    std::uint64_t constantBits = 0;  // data bits that never change
    DiscoveryStatus status = DiscoveryStatus::kAnalysed;
    // Counters, then the checksum, then signals and flags from the lowest bit.
    std::vector<FoundField> fields;

    double FlipRate(int wordBit) const {
        return analysed > 1 ? static_cast<double>(flips[static_cast<std::size_t>(wordBit)]) /
                                  static_cast<double>(analysed - 1)
                            : 0.0;
    }
};

}  // namespace korvex::discover
