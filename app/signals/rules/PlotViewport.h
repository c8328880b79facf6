#pragma once

// The visible part of the time axis and how the mouse and keys move it.
namespace korvex::signaldb {

class CPlotViewport {
  public:
    // The whole axis; the view fits it.
    void SetLimits(double start, double end);
    void Fit();
    // Zooms by `factor` (below 1 zooms in) keeping axis position `anchor`
    // where it is on the screen.
    void ZoomAt(double anchor, double factor);
    // Moves the view by `delta` axis units, not past the limits.
    void Pan(double delta);

    double From() const { return from; }
    double To() const { return to; }
    double Width() const { return to - from; }
    double ToPixel(double x, int pixels) const { return (x - from) / (to - from) * pixels; }
    double FromPixel(double px, int pixels) const { return from + px / pixels * (to - from); }

    // The narrowest view: a tenth of a millisecond.
    static constexpr double kMinWidth = 1e-4;

  private:
    void Clamp();

    double limitStart = 0;
    double limitEnd = 1;
    double from = 0;
    double to = 1;
};

}  // namespace korvex::signaldb
