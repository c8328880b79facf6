#include "core/formats/BlfFormat.h"
#include "core/formats/BlfLayout.h"

namespace korvex::formats {

std::optional<Ticks> SystemTimeTicks(const std::uint8_t* p, bool utc) {
    CivilTime c;
    c.year = blf::Get16(p);
    c.month = blf::Get16(p + 2);
    c.day = blf::Get16(p + 6);
    c.hour = blf::Get16(p + 8);
    c.minute = blf::Get16(p + 10);
    c.second = blf::Get16(p + 12);
    const int ms = blf::Get16(p + 14);
    if (ms > 999) return std::nullopt;
    const std::optional<std::int64_t> seconds = SecondsFromCivil(c, utc);
    if (!seconds) return std::nullopt;
    return *seconds * kTicksPerSecond + ms * 10;
}

void PutSystemTime(std::uint8_t* p, Ticks time, bool utc) {
    const CivilTime c = CivilFromSeconds(time / kTicksPerSecond, utc);
    const int fields[8] = {
        c.year, c.month,  c.weekday, c.day,
        c.hour, c.minute, c.second,  static_cast<int>(time % kTicksPerSecond / 10)};
    for (int i = 0; i < 8; ++i) blf::Put16(p + 2 * i, static_cast<std::uint16_t>(fields[i]));
}

}  // namespace korvex::formats
