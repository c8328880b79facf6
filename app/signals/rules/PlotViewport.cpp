#include "app/signals/rules/PlotViewport.h"

#include <algorithm>

namespace korvex::signaldb {

void CPlotViewport::SetLimits(double start, double end) {
    limitStart = start;
    limitEnd = std::max(end, start + kMinWidth);
    Fit();
}

void CPlotViewport::Fit() {
    from = limitStart;
    to = limitEnd;
}

void CPlotViewport::ZoomAt(double anchor, double factor) {
    if (!(factor > 0)) return;
    const double width = std::clamp(Width() * factor, kMinWidth, limitEnd - limitStart);
    const double share = Width() > 0 ? (anchor - from) / Width() : 0.5;
    from = anchor - share * width;
    to = from + width;
    Clamp();
}

void CPlotViewport::Pan(double delta) {
    from += delta;
    to += delta;
    Clamp();
}

void CPlotViewport::Clamp() {
    const double width = std::min(Width(), limitEnd - limitStart);
    if (from < limitStart) from = limitStart;
    if (from + width > limitEnd) from = limitEnd - width;
    to = from + width;
}

}  // namespace korvex::signaldb
