#pragma once

namespace korvex {

// The history curve's zoom: the step time is the x distance of one record in
// pixels per millisecond of data; zooming in halves it but never below the
// fitted size.
inline constexpr int kCurveFitStepTime = 5;

inline int CurveZoomIn(int stepTime) {
    const int half = stepTime / 2;
    return half < kCurveFitStepTime ? kCurveFitStepTime : half;
}
inline int CurveZoomOut(int stepTime) {
    return stepTime * 2;
}
inline int CurveFit() {
    return kCurveFitStepTime;
}

}  // namespace korvex
