#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

// The configuration dialog's clock: seven plain numbers (century, year within
// the century, month, day, hour, minute, second) shown as
// "%02d%02d-%02d-%02d %02d:%02d:%02d".
namespace korvex::device {

using ClockFields = std::array<int, 7>;

// The text of the seven fields.
std::string FormatClock(const ClockFields& clock);

// Reads the text as the clock format does: fields not read stay 0.
ClockFields ParseClock(const std::string& text);

// The local time `now` as the seven fields.
ClockFields ClockFromTime(std::time_t now);

// One second later on the calendar: 23:59:59 rolls into the next day, month
// and year (leap years included). Fields outside their ranges carry as far
// as they can without looping.
ClockFields NextSecond(ClockFields clock);

// True for a real date and time: month 1-12, a day of that month, hour 0-23,
// minute and second 0-59.
bool IsValidClock(const ClockFields& clock);

}  // namespace korvex::device
