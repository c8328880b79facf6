#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "pipeusb/sim/WireFormat.h"

namespace pipeusb {

// What the recorder keeps across power cycles besides its frame memory, each
// part in its wire form.
struct RecorderConfig {
    std::array<std::uint8_t, kBaseInfoSize> baseInfo{};
    // Five u32 section offsets (standard explicit, standard group, extended
    // explicit, extended group, end of table) followed by the enable byte.
    std::array<std::uint8_t, kFilterHeaderSize> filterHeader{};
    std::array<std::uint8_t, kFilterTableSize> filterTable{};
    std::array<std::uint8_t, kPresetBytes> presets{};

    bool operator==(const RecorderConfig&) const = default;
};

// The recorder's frame memory: 24-byte recorder records, back to back, so that
// a block is one contiguous copy.
struct RecorderMemory {
    std::vector<std::uint8_t> clockRecords;  // the clock record list
    std::vector<std::uint8_t> records;       // every recorded record, in memory order

    std::size_t ClockCount() const { return clockRecords.size() / kRecordSize; }
    std::size_t RecordCount() const { return records.size() / kRecordSize; }
};

// The configuration a recorder leaves the factory with (250 kbit/s, normal
// mode, no filter, no preset frames), keeping `clock` (seven clock bytes).
RecorderConfig FactoryConfig(const std::uint8_t* clock);

// Clock of a recorder that was never set: 2020-01-01 00:00:00.
inline constexpr std::array<std::uint8_t, kClockSize> kUnsetClock{20, 20, 1, 1, 0, 0, 0};

}  // namespace pipeusb
