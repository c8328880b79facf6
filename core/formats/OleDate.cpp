#include "core/formats/OleDate.h"

#include "core/formats/TextDigits.h"

namespace korvex::formats {
namespace {

// 1899-12-30 is day -25569 of the Unix calendar.
constexpr std::int64_t kOleEpochDay = 25569;
constexpr std::int64_t kTicksPerDay = 86400 * kTicksPerSecond;
constexpr std::size_t kMaxFractionDigits = 18;
constexpr int kWrittenDigits = 10;
// Fractions of up to 18 digits times the ticks of a day need more than 64 bits.
__extension__ typedef unsigned __int128 Wide;

}  // namespace

// Days are counted in eras of 400 years (146097 days), which repeat exactly.
std::int64_t DaysFromCivil(int year, int month, int day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CivilTime CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    CivilTime c;
    c.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    c.year = static_cast<int>(yearOfEra + era * 400 + (c.month <= 2 ? 1 : 0));
    return c;
}

std::optional<Ticks> TicksFromOleDate(std::string_view text, bool utc) {
    const std::size_t dot = text.find('.');
    const auto days = ParseDecimal(text.substr(0, dot), 3000000);
    if (!days) return std::nullopt;
    Wide fraction = 0;
    Wide scale = 1;
    if (dot != std::string_view::npos) {
        const std::string_view digits = text.substr(dot + 1);
        if (digits.empty()) return std::nullopt;
        for (std::size_t i = 0; i < digits.size(); ++i) {
            const char c = digits[i];
            if (c < '0' || c > '9') return std::nullopt;
            if (i >= kMaxFractionDigits) continue;
            fraction = fraction * 10 + static_cast<unsigned>(c - '0');
            scale *= 10;
        }
    }
    const auto dayTicks = static_cast<std::int64_t>((fraction * kTicksPerDay + scale / 2) / scale);
    const std::int64_t total = static_cast<std::int64_t>(*days) * kTicksPerDay + dayTicks;
    const std::int64_t unixDay = total / kTicksPerDay - kOleEpochDay;
    const std::int64_t ofDay = total % kTicksPerDay;
    CivilTime c = CivilFromDays(unixDay);
    const std::int64_t seconds = ofDay / kTicksPerSecond;
    c.hour = static_cast<int>(seconds / 3600);
    c.minute = static_cast<int>(seconds / 60 % 60);
    c.second = static_cast<int>(seconds % 60);
    const std::optional<std::int64_t> at = SecondsFromCivil(c, utc);
    if (!at) return std::nullopt;
    return *at * kTicksPerSecond + ofDay % kTicksPerSecond;
}

std::string OleDateText(Ticks time, bool utc) {
    const CivilTime c = CivilFromSeconds(time / kTicksPerSecond, utc);
    const std::int64_t day = DaysFromCivil(c.year, c.month, c.day) + kOleEpochDay;
    const std::int64_t ofDay =
        ((c.hour * 60 + c.minute) * 60 + c.second) * kTicksPerSecond + time % kTicksPerSecond;
    std::int64_t scale = 1;
    for (int i = 0; i < kWrittenDigits; ++i) scale *= 10;
    const auto fraction = static_cast<std::uint64_t>(
        (static_cast<Wide>(ofDay) * scale + kTicksPerDay / 2) / kTicksPerDay);
    char text[48];
    char* out = PutDecimal(text, static_cast<std::uint64_t>(day));
    *out++ = '.';
    out = PutDecimal(out, fraction, kWrittenDigits);
    return std::string(text, out);
}

}  // namespace korvex::formats
