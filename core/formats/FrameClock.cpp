#include "core/formats/FrameClock.h"

#include <ctime>

namespace korvex::formats {
namespace {

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<std::int64_t> SecondsFromCivil(const CivilTime& c, bool utc) {
    if (c.year < 1970 || c.year > 9999 || c.month < 1 || c.month > 12 || c.day < 1 ||
        c.day > DaysInMonth(c.year, c.month) || c.hour < 0 || c.hour > 23 || c.minute < 0 ||
        c.minute > 59 || c.second < 0 || c.second > 59)
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = c.year - 1900;
    tm.tm_mon = c.month - 1;
    tm.tm_mday = c.day;
    tm.tm_hour = c.hour;
    tm.tm_min = c.minute;
    tm.tm_sec = c.second;
    tm.tm_isdst = -1;
    const std::time_t t = utc ? timegm(&tm) : std::mktime(&tm);
    // Local midnight of 1970-01-01 east of Greenwich lies before the epoch.
    if (t < 0) return std::nullopt;
    return static_cast<std::int64_t>(t);
}

CivilTime CivilFromSeconds(std::int64_t seconds, bool utc) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (utc) {
        gmtime_r(&t, &tm);
    } else {
        localtime_r(&t, &tm);
    }
    return CivilTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                     tm.tm_min,         tm.tm_sec,     tm.tm_wday};
}

std::optional<std::int64_t> ClockEntrySeconds(const OrigTimeEntry& e, bool utc) {
    const CivilTime civil{
        e.date[0] * 100 + e.date[1], e.date[2], e.date[3], e.hour, e.minute, e.second};
    return SecondsFromCivil(civil, utc);
}

OrigTimeEntry MakeClockEntry(std::int64_t seconds, bool utc, std::uint32_t stamp,
                             std::uint8_t bitRateIndex) {
    const CivilTime c = CivilFromSeconds(seconds, utc);
    OrigTimeEntry e{};
    e.date[0] = static_cast<std::uint8_t>(c.year / 100);
    e.date[1] = static_cast<std::uint8_t>(c.year % 100);
    e.date[2] = static_cast<std::uint8_t>(c.month);
    e.date[3] = static_cast<std::uint8_t>(c.day);
    e.hour = static_cast<std::uint8_t>(c.hour);
    e.minute = static_cast<std::uint8_t>(c.minute);
    e.second = static_cast<std::uint8_t>(c.second);
    e.timeStamp = stamp;
    e.bitRateIndex = bitRateIndex;
    return e;
}

CFrameClock::CFrameClock(const std::vector<OrigTimeEntry>& origTimeList, bool utc) {
    bases.reserve(origTimeList.size());
    refs.reserve(origTimeList.size());
    for (const OrigTimeEntry& entry : origTimeList) {
        const std::optional<std::int64_t> seconds = ClockEntrySeconds(entry, utc);
        bases.push_back(seconds ? std::optional<Ticks>(*seconds * kTicksPerSecond) : std::nullopt);
        const std::uint32_t ref = entry.timeStamp;  // the field is unaligned
        refs.push_back(ref);
    }
}

}  // namespace korvex::formats
