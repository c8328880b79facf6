#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvex {

// The history curve's zoom: the step time is the x distance of one record in
// pixels per millisecond of data; zooming in halves it but never below the
// fitted size.
inline constexpr int kCurveFitStepTime = 5;

inline int CurveZoomIn(int stepTime) {
    const int half = stepTime / 2;
    return half < kCurveFitStepTime ? kCurveFitStepTime : half;
}
// Zooming out stops doubling before the step time would overflow.
inline int CurveZoomOut(int stepTime) {
    return stepTime > std::numeric_limits<int>::max() / 2 ? stepTime : stepTime * 2;
}
// The step time at which `spanMs` milliseconds of data, drawn `spacing`
// pixels per step, fill at most `plotWidth` pixels: the whole curve in view,
// however coarse its precision; never below kCurveFitStepTime.
inline int CurveFit(double spanMs, int spacing, int plotWidth) {
    const double fitting = std::ceil(spacing * std::max(spanMs, 0.0) / std::max(plotWidth, 1));
    if (fitting >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    return std::max(static_cast<int>(fitting), kCurveFitStepTime);
}

}  // namespace korvex
