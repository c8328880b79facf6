#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/SplitPass.h"

namespace korvex::formats {

// Bit-rate index of a clock entry that nobody knows the bit rate of: the bus
// status then shows the flow without a load.
inline constexpr std::uint8_t kUnknownBitRate = 0xFF;

// The words the frame list's format and type columns show ("数据帧",
// "远程帧", "标准帧", "扩展帧" in the built-in language), by which the
// program's own CSV export is read back.
struct FrameWords {
    std::string data;
    std::string remote;
    std::string standard;
    std::string extended;
};

// What the readers of the logs need beyond the bytes.
struct ReadOptions {
    bool utc = false;  // the logs' dates are UTC rather than the machine's local time
    std::uint8_t bitRateIndex = kUnknownBitRate;  // given to every recording span read
    bool strict = false;  // the first unreadable line or damaged object ends the read
    // Read only this channel (bus, candump interface, pcapng interface); 0 reads
    // all. A log that names no channel has channel 1 only.
    int channel = 0;
    FrameWords frameWords;  // the program's CSV: the language it was written in
};

// TRC file versions the writer makes.
inline constexpr int kTrcVersion21 = 21;
inline constexpr int kTrcVersion11 = 11;

// What the writers of the logs need beyond the frames.
struct WriteOptions {
    std::string iface = "can0";  // candump interface name
    bool utc = false;            // write clock times as UTC rather than local time
    bool noEvents = false;       // leave event records out
    int trcVersion = kTrcVersion21;
    // How the text logs' lines are made on the cores, with the progress.
    PassSplit split;
};

// An ASC channel number, 1 to 65535.
std::optional<int> ParseChannelNumber(std::string_view text);

// "1000K" ... "5K" (the configuration dialog's texts, any case) → 0 ... 9.
std::optional<std::uint8_t> BitRateIndexFromText(std::string_view text);

}  // namespace korvex::formats
