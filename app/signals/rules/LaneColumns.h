#pragma once

#include <cstddef>
#include <vector>

#include "app/signals/rules/MinMaxSummary.h"
#include "app/signals/rules/SignalSamples.h"

namespace korvex::signaldb {

// What one pixel column of a lane holds: the range of its samples' values
// and the first and last of them, which the lines between columns join.
struct LaneColumn {
    int pixel = 0;
    ValueRange range;
    std::size_t first = 0;  // sample indices
    std::size_t last = 0;
};

struct LaneGeometry {
    std::vector<LaneColumn> columns;  // only columns with samples, left to right
    // The samples just outside the range, which lines enter and leave by;
    // -1 when there is none.
    long long before = -1;
    long long after = -1;
    ValueRange range;  // of the samples in the range
};

// Splits the axis range [from, to) into `width` pixel columns and summarises
// each one's samples: one binary search and one summary query per column.
LaneGeometry ComputeLaneColumns(const SampleSeries& series, const CMinMaxSummary& summary,
                                double from, double to, int width);

// The visible range of values with some room above and below, and a range
// of 2 around a lane whose values are all alike.
ValueRange PaddedRange(const ValueRange& range);

}  // namespace korvex::signaldb
