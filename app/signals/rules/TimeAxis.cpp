#include "app/signals/rules/TimeAxis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/formats/FrameClock.h"

namespace korvex::signaldb {
namespace {

constexpr double kTicksPerSecond = static_cast<double>(formats::kTicksPerSecond);

// Tick steps in seconds, smallest first.
constexpr double kSteps[] = {0.0001, 0.0002, 0.0005, 0.001, 0.002, 0.005, 0.01,   0.02,
                             0.05,   0.1,    0.2,    0.5,   1,     2,     5,      10,
                             15,     30,     60,     120,   300,   600,   900,    1800,
                             3600,   7200,   10800,  21600, 43200, 86400, 172800, 604800};

int DecimalsFor(double step) {
    int decimals = 0;
    for (double unit = 1; decimals < 4 && step < unit - 1e-12; unit /= 10) ++decimals;
    return decimals;
}

std::string ClockText(std::int64_t ticks, bool clock, int decimals) {
    const std::int64_t seconds =
        ticks >= 0 ? ticks / formats::kTicksPerSecond
                   : -((-ticks + formats::kTicksPerSecond - 1) / formats::kTicksPerSecond);
    const std::int64_t fraction = ticks - seconds * formats::kTicksPerSecond;
    char text[48];
    if (clock) {
        const formats::CivilTime t = formats::CivilFromSeconds(seconds, false);
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    } else {
        std::snprintf(
            text, sizeof text, "+%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
            static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    }
    std::string out = text;
    if (decimals > 0) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04lld", static_cast<long long>(fraction));
        out += '.';
        out.append(digits, static_cast<std::size_t>(decimals));
    }
    return out;
}

}  // namespace

CTimeAxis::CTimeAxis(std::vector<AxisSpan> list) : spans(std::move(list)) {
    double total = 0;
    for (const AxisSpan& s : spans)
        total += static_cast<double>(s.lastTicks - s.firstTicks) / kTicksPerSecond;
    // Breaks are 2 % of the recorded time each, and together at most 10 %,
    // so that a recording of many short spans keeps room for its data.
    const double share =
        spans.size() > 1 ? std::min(0.02, 0.1 / static_cast<double>(spans.size() - 1)) : 0.02;
    const double gap = std::max(total * share, 0.001);
    double at = 0;
    for (AxisSpan& s : spans) {
        s.start = at;
        s.end = at + static_cast<double>(s.lastTicks - s.firstTicks) / kTicksPerSecond;
        at = s.end + gap;
    }
}

int CTimeAxis::SpanAt(double x) const {
    const auto it = std::upper_bound(spans.begin(), spans.end(), x,
                                     [](double v, const AxisSpan& s) { return v < s.start; });
    return static_cast<int>(it - spans.begin()) - 1;
}

std::string CTimeAxis::TimeText(double x, int decimals) const {
    const int k = std::max(SpanAt(x), 0);
    if (spans.empty())
        return ClockText(static_cast<std::int64_t>(x * kTicksPerSecond), false, decimals);
    const AxisSpan& s = spans[static_cast<std::size_t>(k)];
    const double within = std::clamp(x, s.start, s.end) - s.start;
    return ClockText(s.firstTicks + std::llround(within * kTicksPerSecond), s.clock, decimals);
}

std::vector<AxisTick> CTimeAxis::Ticks(double from, double to, int maxTicks) const {
    std::vector<AxisTick> ticks;
    if (spans.empty() || !(to > from) || maxTicks < 1) return ticks;
    double step = kSteps[std::size(kSteps) - 1];
    for (const double candidate : kSteps) {
        if ((to - from) / candidate <= maxTicks) {
            step = candidate;
            break;
        }
    }
    const int decimals = DecimalsFor(step);
    const auto stepTicks = static_cast<std::int64_t>(std::llround(step * kTicksPerSecond));
    for (const AxisSpan& s : spans) {
        if (s.end < from || s.start > to) continue;
        // The span's visible part in its own ticks; ticks fall on multiples
        // of the step there.
        const double a = std::max(from, s.start) - s.start;
        const double b = std::min(to, s.end) - s.start;
        const std::int64_t first =
            s.firstTicks + static_cast<std::int64_t>(std::floor(a * kTicksPerSecond));
        const std::int64_t last =
            s.firstTicks + static_cast<std::int64_t>(std::ceil(b * kTicksPerSecond));
        std::int64_t t = first >= 0 ? (first + stepTicks - 1) / stepTicks * stepTicks
                                    : first / stepTicks * stepTicks;
        for (; t <= last && ticks.size() < 4096; t += stepTicks) {
            const double x = s.start + static_cast<double>(t - s.firstTicks) / kTicksPerSecond;
            if (x < from || x > to) continue;
            ticks.push_back({x, ClockText(t, s.clock, decimals)});
        }
    }
    return ticks;
}

}  // namespace korvex::signaldb

namespace korvex::signaldb {

std::optional<double> CTimeAxis::SecondsBetween(double a, double b) const {
    const int spanA = SpanAt(a);
    const int spanB = SpanAt(b);
    if (spanA < 0 || spanB < 0) return std::nullopt;
    const AxisSpan& first = spans[static_cast<std::size_t>(spanA)];
    const AxisSpan& second = spans[static_cast<std::size_t>(spanB)];
    if (spanA != spanB && !(first.clock && second.clock)) return std::nullopt;
    // Seconds from the first span's first frame, each position in its own
    // span's time.
    const auto secondsAt = [&first](const AxisSpan& span, double x) {
        return static_cast<double>(span.firstTicks - first.firstTicks) / kTicksPerSecond +
               (std::min(x, span.end) - span.start);
    };
    return secondsAt(second, b) - secondsAt(first, a);
}

}  // namespace korvex::signaldb
