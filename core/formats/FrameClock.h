#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/frame/CanObj.h"
#include "core/frame/OrigTimeEntry.h"

namespace korvex::formats {

// Absolute times in the recorder's unit, 0.1 ms, counted from 1970-01-01 00:00 UTC.
using Ticks = std::int64_t;
inline constexpr Ticks kTicksPerSecond = 10000;
// A 32-bit time stamp wraps after this many ticks (about 4.97 days). Absolute
// times below it are taken as frames without a clock record, which the
// writers place at the epoch plus their own time stamp.
inline constexpr Ticks kStampRange = Ticks{1} << 32;
// 9999-12-31 23:59:59.9999 UTC, the last time the logs can carry.
inline constexpr Ticks kLastTime = 253402300799LL * kTicksPerSecond + kTicksPerSecond - 1;
// Frames further apart than this start a new recording span when read back.
inline constexpr Ticks kSpanGap = 3600 * kTicksPerSecond;

struct CivilTime {
    int year = 1970;
    int month = 1;  // 1-12
    int day = 1;    // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 4;  // 0 Sunday; filled in by CivilFromSeconds only
};

// Seconds since the epoch of a calendar time in the machine's local time zone
// (or UTC); none when the fields are not a date and time of 1970 to 9999.
std::optional<std::int64_t> SecondsFromCivil(const CivilTime& civil, bool utc);
CivilTime CivilFromSeconds(std::int64_t seconds, bool utc);

// The instant a clock entry names, in whole seconds; none when its date is
// not a real date.
std::optional<std::int64_t> ClockEntrySeconds(const OrigTimeEntry& entry, bool utc);
// A clock entry for the instant `seconds`, whose recorder time stamp is `stamp`.
OrigTimeEntry MakeClockEntry(std::int64_t seconds, bool utc, std::uint32_t stamp,
                             std::uint8_t bitRateIndex);

// Turns frames into absolute times through the clock reference list.
class CFrameClock {
  public:
    CFrameClock(const std::vector<OrigTimeEntry>& origTimeList, bool utc);

    // The clock entry's instant plus the frame's distance from the entry's
    // time stamp (unsigned 32-bit, as the clock time column counts it). A
    // frame without a usable entry counts from the epoch.
    Ticks AbsoluteTime(const _VCI_CAN_OBJ& frame) const {
        // The clock index is a signed byte, as the clock time column reads it.
        const std::uint8_t k = ClockIndex(frame);
        if (k < bases.size() && k < 0x80 && bases[k]) {
            return *bases[k] + static_cast<std::uint32_t>(frame.TimeStamp - refs[k]);
        }
        return frame.TimeStamp;
    }
    // The instant of clock entry k, when the list has a usable one.
    std::optional<Ticks> EntryTime(std::size_t k) const {
        return k < bases.size() ? bases[k] : std::nullopt;
    }

  private:
    std::vector<std::optional<Ticks>> bases;
    std::vector<std::uint32_t> refs;
};

}  // namespace korvex::formats
