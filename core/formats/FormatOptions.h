#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvex::formats {

// Bit-rate index of a clock entry that nobody knows the bit rate of: the bus
// status then shows the flow without a load.
inline constexpr std::uint8_t kUnknownBitRate = 0xFF;

// What the readers of the text logs need beyond the bytes.
struct ReadOptions {
    bool utc = false;  // the logs' dates are UTC rather than the machine's local time
    std::uint8_t bitRateIndex = kUnknownBitRate;  // given to every recording span read
    bool strict = false;                          // the first unreadable line ends the read
    int channel = 0;                              // ASC: read only this channel; 0 reads all
};

// What the writers of the text logs need beyond the frames.
struct WriteOptions {
    std::string iface = "can0";  // candump interface name
    bool utc = false;            // write clock times as UTC rather than local time
    bool noEvents = false;       // leave event records out
};

// An ASC channel number, 1 to 65535.
std::optional<int> ParseChannelNumber(std::string_view text);

// "1000K" ... "5K" (the configuration dialog's texts, any case) → 0 ... 9.
std::optional<std::uint8_t> BitRateIndexFromText(std::string_view text);

}  // namespace korvex::formats
