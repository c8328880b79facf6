#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/formats/FrameClock.h"

// Times as days since 1899-12-30 with the time of day as the fraction
// ("45244.9259259259"), the way spreadsheets and PCAN trace files keep them.
namespace korvex::formats {

// The instant such a text names, in local time or UTC, rounded to 0.1 ms;
// none for another text or an instant outside 1970 to 9999.
std::optional<Ticks> TicksFromOleDate(std::string_view text, bool utc);
// The text of an instant, ten decimals (under a microsecond).
std::string OleDateText(Ticks time, bool utc);

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back.
std::int64_t DaysFromCivil(int year, int month, int day);
CivilTime CivilFromDays(std::int64_t days);

}  // namespace korvex::formats
