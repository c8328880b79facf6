#include "app/signals/rules/LaneColumns.h"

#include <algorithm>
#include <cmath>

namespace korvex::signaldb {

LaneGeometry ComputeLaneColumns(const SampleSeries& series, const CMinMaxSummary& summary,
                                double from, double to, int width) {
    LaneGeometry g;
    const std::vector<double>& x = series.x;
    if (width <= 0 || !(to > from) || x.empty()) return g;
    const double perPixel = (to - from) / width;
    auto at = std::lower_bound(x.begin(), x.end(), from);
    const std::size_t begin = static_cast<std::size_t>(at - x.begin());
    g.before = static_cast<long long>(begin) - 1;
    std::size_t i = begin;
    for (int c = 0; c < width && i < x.size(); ++c) {
        const double right = c + 1 == width ? to : from + perPixel * (c + 1);
        const auto end =
            std::lower_bound(x.begin() + static_cast<std::ptrdiff_t>(i), x.end(), right);
        const auto j = static_cast<std::size_t>(end - x.begin());
        if (j > i) {
            LaneColumn column;
            column.pixel = c;
            column.range = summary.Range(i, j);
            column.first = i;
            column.last = j - 1;
            g.range.Add(column.range);
            g.columns.push_back(column);
        }
        i = j;
    }
    g.after = i < x.size() ? static_cast<long long>(i) : -1;
    return g;
}

ValueRange PaddedRange(const ValueRange& range) {
    ValueRange r = range;
    if (!r.any || !std::isfinite(r.min) || !std::isfinite(r.max)) {
        r.min = r.any && std::isfinite(r.min) ? r.min - 1 : -1;
        r.max = r.any && std::isfinite(r.max) ? r.max + 1 : 1;
        r.any = true;
        return r;
    }
    const double span = r.max - r.min;
    const double pad = span > 0 ? span * 0.08 : std::max(std::fabs(r.max) * 0.1, 1.0);
    r.min -= pad;
    r.max += pad;
    return r;
}

}  // namespace korvex::signaldb
