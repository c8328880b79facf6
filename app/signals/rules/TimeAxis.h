#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The plot's time axis: the recording spans one after another in clock time,
// each followed by a short break in place of the time between them (which
// may be hours). Positions on the axis are seconds.
namespace korvex::signaldb {

struct AxisSpan {
    std::int64_t firstTicks = 0;  // absolute time of its first frame, 0.1 ms
    std::int64_t lastTicks = 0;
    bool clock = false;  // times are clock times; else the recorder's own count
    double start = 0;    // axis position of firstTicks
    double end = 0;      // axis position of lastTicks
};

struct AxisTick {
    double x = 0;
    std::string text;
};

class CTimeAxis {
  public:
    CTimeAxis() = default;
    // Places the spans: each starts after the previous one's end and a break
    // of 2 % of the whole recorded time (less when there are more than six
    // breaks, which share 10 %; at least a millisecond).
    explicit CTimeAxis(std::vector<AxisSpan> spans);

    const std::vector<AxisSpan>& Spans() const { return spans; }
    bool Empty() const { return spans.empty(); }
    double Start() const { return spans.empty() ? 0 : spans.front().start; }
    double End() const { return spans.empty() ? 1 : spans.back().end; }

    // The span at axis position x, or the one before the break x falls in;
    // -1 before the first span.
    int SpanAt(double x) const;

    // The time at x: "HH:MM:SS" local clock time with `decimals` digits of the
    // second after it, or "+h:mm:ss" counted by the recorder for a span
    // without a clock record.
    std::string TimeText(double x, int decimals) const;

    // Ticks for the range [from, to] at a step that gives at most `maxTicks`
    // of them: whole multiples of 1, 2 or 5 units of time, of seconds,
    // minutes or hours, in each span's own time.
    std::vector<AxisTick> Ticks(double from, double to, int maxTicks) const;

    // The time from axis position a to b in seconds: the axis distance within
    // one span, the clock times' difference across spans that both have
    // clock times; none otherwise (or before the first span). A position in a
    // break counts as its span's end.
    std::optional<double> SecondsBetween(double a, double b) const;

  private:
    std::vector<AxisSpan> spans;
};

}  // namespace korvex::signaldb
