#include "TimeText.h"

#include "core/frame/DecimalText.h"

namespace korvex {
namespace {

constexpr std::uint32_t kUnitsPerHour = 36000000;
constexpr std::uint32_t kUnitsPerMinute = 600000;
constexpr std::uint32_t kUnitsPerSecond = 10000;

// "%02d:%02d:%02d.%03d.%01d" of the hours and the parts of v. Written by
// hand: every time cell of an export and of an analysis passes here.
void FormatUnits(std::uint32_t hours, std::uint32_t v, std::string& text) {
    char buffer[32];
    char* at = PutDecimal(buffer, hours, 2);
    *at++ = ':';
    at = PutDecimal(at, (v % kUnitsPerHour) / kUnitsPerMinute, 2);
    *at++ = ':';
    at = PutDecimal(at, (v % kUnitsPerMinute) / kUnitsPerSecond, 2);
    *at++ = '.';
    at = PutDecimal(at, (v % kUnitsPerSecond) / 10, 3);
    *at++ = '.';
    at = PutDecimal(at, v % 10, 1);
    text.assign(buffer, static_cast<std::size_t>(at - buffer));
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
