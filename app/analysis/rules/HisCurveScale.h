#pragma once

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
inline int CurveFit() {
    return kCurveFitStepTime;
}

}  // namespace korvex
