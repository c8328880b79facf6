#include "app/device/rules/ClockText.h"

#include <cstdio>

namespace korvex::device {
namespace {

enum Field { kCentury, kYear, kMonth, kDay, kHour, kMinute, kSecond };

int DaysInMonth(int fullYear, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 31;
    const bool leap = (fullYear % 4 == 0 && fullYear % 100 != 0) || fullYear % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::string FormatClock(const ClockFields& c) {
    char text[64];
    std::snprintf(text, sizeof text, "%02d%02d-%02d-%02d %02d:%02d:%02d", c[kCentury], c[kYear],
                  c[kMonth], c[kDay], c[kHour], c[kMinute], c[kSecond]);
    return text;
}

ClockFields ParseClock(const std::string& text) {
    ClockFields c{};
    std::sscanf(text.c_str(), "%02d%02d-%02d-%02d %02d:%02d:%02d", &c[kCentury], &c[kYear],
                &c[kMonth], &c[kDay], &c[kHour], &c[kMinute], &c[kSecond]);
    return c;
}

ClockFields ClockFromTime(std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    const int year = local.tm_year + 1900;
    return {year / 100,    year % 100,   local.tm_mon + 1, local.tm_mday,
            local.tm_hour, local.tm_min, local.tm_sec};
}

ClockFields NextSecond(ClockFields c) {
    if (++c[kSecond] <= 59) return c;
    c[kSecond] = 0;
    if (++c[kMinute] <= 59) return c;
    c[kMinute] = 0;
    if (++c[kHour] <= 23) return c;
    c[kHour] = 0;
    if (++c[kDay] <= DaysInMonth(c[kCentury] * 100 + c[kYear], c[kMonth])) return c;
    c[kDay] = 1;
    if (++c[kMonth] <= 12) return c;
    c[kMonth] = 1;
    if (++c[kYear] <= 99) return c;
    c[kYear] = 0;
    ++c[kCentury];
    return c;
}

bool IsValidClock(const ClockFields& c) {
    return c[kCentury] >= 0 && c[kCentury] <= 99 && c[kYear] >= 0 && c[kYear] <= 99 &&
           c[kMonth] >= 1 && c[kMonth] <= 12 && c[kDay] >= 1 &&
           c[kDay] <= DaysInMonth(c[kCentury] * 100 + c[kYear], c[kMonth]) && c[kHour] >= 0 &&
           c[kHour] <= 23 && c[kMinute] >= 0 && c[kMinute] <= 59 && c[kSecond] >= 0 &&
           c[kSecond] <= 59;
}

}  // namespace korvex::device
