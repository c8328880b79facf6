#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "app/signals/rules/MinMaxSummary.h"
#include "app/signals/rules/PlotViewport.h"
#include "app/signals/rules/SignalSamples.h"
#include "app/signals/rules/TimeAxis.h"
#include "core/signals/SignalDecoder.h"

namespace korvex::signaldb {

// A signal's samples with their min/max summary, made once off the window
// thread; the summary points into the series, so the two live together.
struct PlotSeries {
    SampleSeries series;
    CMinMaxSummary summary;
};

// Builds a PlotSeries from computed samples (the summary over their values).
std::shared_ptr<const PlotSeries> MakePlotSeries(SampleSeries samples);

// The lanes of the plot window: one per chosen signal, stacked, sharing one
// time axis on which the recording spans follow one another with a hatched
// break between them. The mouse wheel zooms about the pointer, dragging pans,
// 0 fits the whole recording, + and - zoom, the arrow keys pan; a cursor line
// follows the pointer and reads every lane's value; a double-click chooses
// the sample nearest to the pointer. Shift-click (or M at the cursor) sets a
// reference cursor, Escape clears it: the cursor then also reads the time
// and each lane's value difference from it. Value and time axes are marked
// at round values with light grid lines. Drawing asks each lane's summary one
// range per pixel column, so a repaint costs what its pixels cost.
class CSignalPlot : public QWidget {
    Q_OBJECT

  public:
    struct Lane {
        SignalRef ref;
        QString title;
        QString unit;
        ValueFormat format;                      // of its values' texts
        const ValueTable* table = nullptr;       // set: drawn as steps with texts
        std::shared_ptr<const PlotSeries> data;  // null while it is computed
        QColor color;
    };

    explicit CSignalPlot(QWidget* parent = nullptr);

    // The time axis of the lanes' samples; the view fits it.
    void SetAxis(CTimeAxis axis);
    const CTimeAxis& Axis() const { return axis; }

    void AddLane(Lane lane);
    void RemoveLane(SignalRef ref);
    void ClearLanes();
    // The samples of lane `ref`; false when there is no such lane.
    bool SetData(SignalRef ref, std::shared_ptr<const PlotSeries> data);
    const std::vector<Lane>& Lanes() const { return lanes; }

    CPlotViewport& Viewport() { return viewport; }
    void Fit();
    // Zooms by `factor` about the pointer position `pixel` (widget x).
    void ZoomAtPixel(double pixel, double factor);
    void PanPixels(double pixels);

    std::optional<double> CursorX() const { return cursor; }
    void SetCursorX(std::optional<double> x);
    // What the cursor reads in each lane: "value unit" or the value's text;
    // empty where the lane has no sample at or before the cursor.
    std::vector<QString> CursorTexts() const;

    std::optional<double> ReferenceX() const { return reference; }
    void SetReferenceX(std::optional<double> x);
    // "Δt …" from the reference to the cursor; empty without both, or when
    // the time between them is not known (spans without clock times).
    QString DeltaTimeText() const;
    // Each lane's value at the cursor less its value at the reference, with
    // its unit; empty where either has no sample or the lane shows texts.
    std::vector<QString> DeltaTexts() const;

    // The text shown while there is no lane.
    void SetEmptyText(const QString& text);

    // The whole plot drawn into `painter` at `size`: the widget's own paint,
    // and the PNG and SVG exports.
    void Render(QPainter& painter, QSize size) const;

    // The plot area in widget coordinates: left edge and width.
    int PlotLeft() const;
    int PlotWidth(int widgetWidth) const;

    // The frame of the sample nearest to widget x `pixel`, in the lane under
    // y `pixelY` when it has samples, else in any lane; -1 when none.
    int FrameNear(double pixel, double pixelY) const;

  signals:
    void frameChosen(int frameIndex);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    struct LaneBox {
        int top;
        int height;
    };
    LaneBox LaneRect(int lane, int height) const;
    int AxisHeight() const;
    void DrawLane(QPainter& painter, const Lane& lane, const QRect& box, int width) const;
    void DrawAxis(QPainter& painter, const QRect& area) const;
    void DrawBreaks(QPainter& painter, const QRect& area) const;
    void DrawCursor(QPainter& painter, const QRect& area, int height) const;
    void DrawReference(QPainter& painter, const QRect& area) const;
    void DrawTimeGrid(QPainter& painter, const QRect& area) const;
    std::vector<AxisTick> TimeTicks(int width) const;
    // Digits of the second worth showing at the view's zoom, down to 0.1 ms.
    int TimeDecimals(int width) const;

    CTimeAxis axis;
    CPlotViewport viewport;
    std::vector<Lane> lanes;
    std::optional<double> cursor;
    std::optional<double> reference;
    std::optional<double> dragFrom;  // pointer x where a drag started
    QString emptyText;
};

}  // namespace korvex::signaldb
