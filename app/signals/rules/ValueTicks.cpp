#include "app/signals/rules/ValueTicks.h"

#include <algorithm>
#include <cmath>

namespace korvex::signaldb {
namespace {

constexpr double kMantissas[] = {1, 2, 2.5, 5};
// Beyond this many ticks a caller's budget is not a budget.
constexpr int kTickLimit = 1000;
constexpr double kSlack = 1e-9;

// Digits after the point of `mantissa` × 10^`exponent`.
int DecimalsOf(double mantissa, int exponent) {
    const int own = mantissa == 2.5 ? 1 : 0;
    return std::max(own - exponent, 0);
}

}  // namespace

ValueTicks RoundValueTicks(double min, double max, int maxTicks, int maxDecimals) {
    ValueTicks ticks;
    if (!std::isfinite(min) || !std::isfinite(max) || !(max > min)) return ticks;
    maxTicks = std::clamp(maxTicks, 2, kTickLimit);
    const double span = max - min;
    int exponent = static_cast<int>(std::floor(std::log10(span / maxTicks)));
    for (;; ++exponent) {
        for (const double mantissa : kMantissas) {
            if (maxDecimals >= 0 && DecimalsOf(mantissa, exponent) > maxDecimals) continue;
            const double step = mantissa * std::pow(10.0, exponent);
            // A value a rounding error away from the range's end still counts.
            const double first = std::ceil(min / step - kSlack);
            const double last = std::floor(max / step + kSlack);
            if (last - first + 1 > maxTicks) continue;
            ticks.step = step;
            ticks.decimals = DecimalsOf(mantissa, exponent);
            for (double k = first; k <= last; ++k) {
                // k × step rather than a running sum: no error builds up, and
                // zero is zero.
                const double v = k * step;
                ticks.values.push_back(v == 0 ? 0 : v);
            }
            return ticks;
        }
    }
}

}  // namespace korvex::signaldb
