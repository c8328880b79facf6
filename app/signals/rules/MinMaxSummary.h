#pragma once

#include <cstddef>
#include <vector>

namespace korvex::signaldb {

struct ValueRange {
    double min = 0;
    double max = 0;
    bool any = false;  // false: no number among the values (none, or all NaN)
    void Add(double v);
    void Add(const ValueRange& r);
};

// The minimum and maximum of a series' values at several resolutions (buckets
// of 8, 64, 512, ... values), so that the range of any run of values costs a
// few dozen steps however long the run is. Drawing a lane asks one range per
// pixel column, so a repaint costs what its pixels cost.
class CMinMaxSummary {
  public:
    CMinMaxSummary() = default;
    explicit CMinMaxSummary(const std::vector<double>& values);

    // The range of values [first, last).
    ValueRange Range(std::size_t first, std::size_t last) const;

  private:
    static constexpr std::size_t kFanOut = 8;
    const std::vector<double>* values = nullptr;
    std::vector<std::vector<ValueRange>> levels;  // levels[l]: buckets of 8^(l+1)
};

}  // namespace korvex::signaldb
