#include "app/signals/rules/MinMaxSummary.h"

#include <cmath>

namespace korvex::signaldb {

void ValueRange::Add(double v) {
    if (std::isnan(v)) return;
    if (!any) {
        min = max = v;
        any = true;
        return;
    }
    if (v < min) min = v;
    if (v > max) max = v;
}

void ValueRange::Add(const ValueRange& r) {
    if (!r.any) return;
    Add(r.min);
    Add(r.max);
}

CMinMaxSummary::CMinMaxSummary(const std::vector<double>& v) : values(&v) {
    // Level 0 from the values, each further level from the one below; a
    // level ends at its last whole bucket.
    std::size_t bucket = kFanOut;
    while (v.size() / bucket > 0) {
        std::vector<ValueRange> level(v.size() / bucket);
        if (levels.empty()) {
            for (std::size_t b = 0; b < level.size(); ++b)
                for (std::size_t i = b * kFanOut; i < (b + 1) * kFanOut; ++i) level[b].Add(v[i]);
        } else {
            const std::vector<ValueRange>& below = levels.back();
            for (std::size_t b = 0; b < level.size(); ++b)
                for (std::size_t i = b * kFanOut; i < (b + 1) * kFanOut; ++i)
                    level[b].Add(below[i]);
        }
        levels.push_back(std::move(level));
        bucket *= kFanOut;
    }
}

ValueRange CMinMaxSummary::Range(std::size_t first, std::size_t last) const {
    ValueRange r;
    if (values == nullptr) return r;
    if (last > values->size()) last = values->size();
    // Both ends stay on multiples of the current bucket size; at each level
    // the ends take single buckets until they meet the next level's grid.
    std::size_t lo = first;
    std::size_t hi = last;
    std::size_t size = 1;
    const auto take = [&](std::size_t level, std::size_t at) {
        if (level == 0)
            r.Add((*values)[at]);
        else
            r.Add(levels[level - 1][at / size]);
    };
    for (std::size_t level = 0; lo < hi; ++level) {
        const std::size_t next = size * kFanOut;
        const std::size_t loUp = (lo + next - 1) / next * next;
        const std::size_t hiDown = hi / next * next;
        if (level < levels.size() && loUp < hiDown) {
            for (; lo < loUp; lo += size) take(level, lo);
            for (; hi > hiDown; hi -= size) take(level, hi - size);
            size = next;
            continue;
        }
        for (; lo < hi; lo += size) take(level, lo);
    }
    return r;
}

}  // namespace korvex::signaldb
