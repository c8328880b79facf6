#pragma once

#include <optional>
#include <vector>

// The marks of a lane's value axis: round values that stand where the curve
// puts them.
namespace korvex::signaldb {

struct ValueTicks {
    double step = 0;
    std::vector<double> values;  // ascending, each a whole multiple of step
    int decimals = 0;            // digits after the point that show every value exactly
};

// The ticks inside [min, max] at the smallest step of 1, 2, 2.5 or 5 × 10^n
// that gives at most `maxTicks` of them (at least two are asked for). Empty
// for a range that is not finite or not wider than zero. With `maxDecimals`
// of 0 or more, no step has more decimals than that: a signal whose values
// are whole numbers (its named states, say) gets no tick between two of them.
ValueTicks RoundValueTicks(double min, double max, int maxTicks, int maxDecimals = -1);

}  // namespace korvex::signaldb
