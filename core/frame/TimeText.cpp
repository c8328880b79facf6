#include "TimeText.h"

#include <cstdio>

namespace korvex {
namespace {

constexpr std::uint32_t kUnitsPerHour = 36000000;
constexpr std::uint32_t kUnitsPerMinute = 600000;
constexpr std::uint32_t kUnitsPerSecond = 10000;

void FormatUnits(std::uint32_t hours, std::uint32_t v, std::string& text) {
    char buffer[48];
    const int n =
        std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d.%03d.%01d", static_cast<int>(hours),
                      static_cast<int>((v % kUnitsPerHour) / kUnitsPerMinute),
                      static_cast<int>((v % kUnitsPerMinute) / kUnitsPerSecond),
                      static_cast<int>((v % kUnitsPerSecond) / 10), static_cast<int>(v % 10));
    text.assign(buffer, static_cast<std::size_t>(n));
}

}  // namespace

void FormatRelativeTime(const _VCI_CAN_OBJ& frame, std::string& text) {
    if (frame.TimeFlag != 1) {
        text.clear();
        return;
    }
    const std::uint32_t t = frame.TimeStamp;
    FormatUnits(t / kUnitsPerHour, t, text);
}

void FormatClockTime(const _VCI_CAN_OBJ& frame, std::uint8_t clockIndex,
                     const std::vector<OrigTimeEntry>& origTimeList, std::string& text) {
    const int k = static_cast<std::int8_t>(clockIndex);
    std::uint32_t base = 0;
    std::uint32_t ref = 0;
    if (k >= 0 && static_cast<std::size_t>(k) < origTimeList.size()) {
        const OrigTimeEntry& entry = origTimeList[static_cast<std::size_t>(k)];
        base = ((entry.hour * 60u + entry.minute) * 60u + entry.second) * kUnitsPerSecond;
        ref = entry.timeStamp;
    }
    const std::uint32_t v = frame.TimeStamp - ref + base;
    FormatUnits((v / kUnitsPerHour) % 24, v, text);
}

}  // namespace korvex
