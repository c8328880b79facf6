#include "app/signals/SignalPlot.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/signals/rules/LaneColumns.h"
#include "app/signals/rules/ValueTicks.h"
#include "core/signals/SignalText.h"

namespace korvex::signaldb {
namespace {

constexpr int kLeft = 84;  // value labels
constexpr int kRight = 12;
constexpr int kLaneGap = 6;
constexpr int kMinLaneHeight = 36;
constexpr double kWheelStep = 0.8;  // view width per wheel notch
constexpr int kGridAlpha = 70;      // grid lines: light, under the curves

QColor GridColor(const QPalette& palette) {
    QColor color = palette.color(QPalette::Mid);
    color.setAlpha(kGridAlpha);
    return color;
}

// The lane's value at sample i, when it has one and shows numbers.
std::optional<double> NumericValue(const CSignalPlot::Lane& lane, long long i) {
    if (lane.data == nullptr || lane.table != nullptr || i < 0) return std::nullopt;
    return lane.data->series.values[static_cast<std::size_t>(i)];
}

QString SampleText(const CSignalPlot::Lane& lane, long long i) {
    if (lane.data == nullptr || i < 0) return {};
    const SampleSeries& s = lane.data->series;
    if (lane.table != nullptr && static_cast<std::size_t>(i) < s.raws.size()) {
        if (const std::string* text = ValueText(*lane.table, static_cast<std::int64_t>(s.raws[i])))
            return QString::fromStdString(*text);
    }
    std::string value;
    AppendPhysicalText(value, lane.format, s.values[static_cast<std::size_t>(i)]);
    QString text = QString::fromStdString(value);
    if (!lane.unit.isEmpty()) text += ' ' + lane.unit;
    return text;
}

}  // namespace

std::shared_ptr<const PlotSeries> MakePlotSeries(SampleSeries samples) {
    auto data = std::make_shared<PlotSeries>();
    data->series = std::move(samples);
    data->summary = CMinMaxSummary(data->series.values);
    return data;
}

CSignalPlot::CSignalPlot(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 160);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CSignalPlot::SetAxis(CTimeAxis a) {
    axis = std::move(a);
    viewport.SetLimits(axis.Start(), axis.End());
    update();
}

void CSignalPlot::AddLane(Lane lane) {
    lanes.push_back(std::move(lane));
    update();
}

void CSignalPlot::RemoveLane(SignalRef ref) {
    std::erase_if(lanes, [&](const Lane& l) { return l.ref == ref; });
    update();
}

void CSignalPlot::ClearLanes() {
    lanes.clear();
    update();
}

bool CSignalPlot::SetData(SignalRef ref, std::shared_ptr<const PlotSeries> data) {
    for (Lane& lane : lanes) {
        if (lane.ref != ref) continue;
        lane.data = std::move(data);
        update();
        return true;
    }
    return false;
}

void CSignalPlot::Fit() {
    viewport.Fit();
    update();
}

void CSignalPlot::ZoomAtPixel(double pixel, double factor) {
    const int width = PlotWidth(this->width());
    viewport.ZoomAt(viewport.FromPixel(pixel - PlotLeft(), width), factor);
    update();
}

void CSignalPlot::PanPixels(double pixels) {
    viewport.Pan(-pixels / PlotWidth(width()) * viewport.Width());
    update();
}

void CSignalPlot::SetCursorX(std::optional<double> x) {
    cursor = x;
    update();
}

std::vector<QString> CSignalPlot::CursorTexts() const {
    std::vector<QString> texts;
    for (const Lane& lane : lanes)
        texts.push_back(cursor && lane.data
                            ? SampleText(lane, SampleAtOrBefore(lane.data->series, *cursor))
                            : QString());
    return texts;
}

void CSignalPlot::SetReferenceX(std::optional<double> x) {
    reference = x;
    update();
}

QString CSignalPlot::DeltaTimeText() const {
    if (!cursor || !reference) return {};
    const std::optional<double> seconds = axis.SecondsBetween(*reference, *cursor);
    if (!seconds) return {};
    return QStringLiteral("Δt %1 s").arg(*seconds, 0, 'f', TimeDecimals(PlotWidth(width())));
}

std::vector<QString> CSignalPlot::DeltaTexts() const {
    std::vector<QString> texts;
    for (const Lane& lane : lanes) {
        QString text;
        if (cursor && reference && lane.data) {
            const auto now = NumericValue(lane, SampleAtOrBefore(lane.data->series, *cursor));
            const auto then = NumericValue(lane, SampleAtOrBefore(lane.data->series, *reference));
            if (now && then) {
                // A difference carries the decimals of the values it is taken from.
                std::string delta;
                AppendPhysicalText(delta, lane.format, *now - *then);
                text = QStringLiteral("Δ") + QString::fromStdString(delta);
                if (!lane.unit.isEmpty()) text += ' ' + lane.unit;
            }
        }
        texts.push_back(text);
    }
    return texts;
}

void CSignalPlot::SetEmptyText(const QString& text) {
    emptyText = text;
    update();
}

int CSignalPlot::PlotLeft() const {
    return kLeft;
}

int CSignalPlot::PlotWidth(int widgetWidth) const {
    return std::max(widgetWidth - kLeft - kRight, 1);
}

int CSignalPlot::AxisHeight() const {
    return fontMetrics().height() + 12;
}

CSignalPlot::LaneBox CSignalPlot::LaneRect(int lane, int height) const {
    const int usable = std::max(height - AxisHeight(), 1);
    const int n = std::max<int>(static_cast<int>(lanes.size()), 1);
    const int each = std::max(usable / n, kMinLaneHeight);
    return {lane * each + kLaneGap / 2, each - kLaneGap};
}

int CSignalPlot::FrameNear(double pixel, double pixelY) const {
    const double x = viewport.FromPixel(pixel - PlotLeft(), PlotWidth(width()));
    int under = -1;
    for (int i = 0; i < static_cast<int>(lanes.size()); ++i) {
        const LaneBox box = LaneRect(i, height());
        if (pixelY >= box.top && pixelY < box.top + box.height + kLaneGap) under = i;
    }
    int best = -1;
    double bestDistance = 0;
    for (int i = 0; i < static_cast<int>(lanes.size()); ++i) {
        if (lanes[i].data == nullptr || lanes[i].data->series.x.empty()) continue;
        if (under >= 0 && i != under && lanes[under].data && !lanes[under].data->series.x.empty())
            continue;
        const SampleSeries& s = lanes[i].data->series;
        const long long k = NearestSample(s, x);
        const double distance = std::fabs(s.x[static_cast<std::size_t>(k)] - x);
        if (best < 0 || distance < bestDistance) {
            best = s.frames[static_cast<std::size_t>(k)];
            bestDistance = distance;
        }
    }
    return best;
}

void CSignalPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Render(painter, size());
}

void CSignalPlot::Render(QPainter& painter, QSize size) const {
    painter.fillRect(QRect(QPoint(0, 0), size), palette().base());
    painter.setFont(font());
    const int width = PlotWidth(size.width());
    const QRect area(kLeft, 0, width, size.height() - AxisHeight());
    if (lanes.empty()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter | Qt::TextWordWrap, emptyText);
        return;
    }
    DrawBreaks(painter, area);
    DrawTimeGrid(painter, area);
    for (int i = 0; i < static_cast<int>(lanes.size()); ++i) {
        const LaneBox box = LaneRect(i, size.height());
        DrawLane(painter, lanes[i], QRect(kLeft, box.top, width, box.height), width);
    }
    DrawAxis(painter, QRect(kLeft, area.bottom() + 1, width, AxisHeight()));
    DrawReference(painter, area);
    DrawCursor(painter, area, size.height());
}

std::vector<AxisTick> CSignalPlot::TimeTicks(int width) const {
    const int labelWidth = fontMetrics().horizontalAdvance(QStringLiteral("00:00:00.000")) + 24;
    return axis.Ticks(viewport.From(), viewport.To(), std::max(width / labelWidth, 1));
}

int CSignalPlot::TimeDecimals(int width) const {
    const double perPixel = viewport.Width() / std::max(width, 1);
    int decimals = 0;
    for (double unit = 1; decimals < 4 && perPixel < unit; unit /= 10) ++decimals;
    return decimals;
}

void CSignalPlot::DrawTimeGrid(QPainter& painter, const QRect& area) const {
    painter.setPen(QPen(GridColor(palette()), 1));
    for (const AxisTick& t : TimeTicks(area.width())) {
        const double px = area.left() + viewport.ToPixel(t.x, area.width());
        painter.drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
    }
}

void CSignalPlot::DrawReference(QPainter& painter, const QRect& area) const {
    if (!reference || *reference < viewport.From() || *reference > viewport.To()) return;
    const double px = area.left() + viewport.ToPixel(*reference, area.width());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DashLine));
    painter.drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
}

void CSignalPlot::DrawBreaks(QPainter& painter, const QRect& area) const {
    const auto& spans = axis.Spans();
    const int width = area.width();
    for (std::size_t k = 0; k + 1 < spans.size(); ++k) {
        const double a = viewport.ToPixel(spans[k].end, width);
        const double b = viewport.ToPixel(spans[k + 1].start, width);
        if (b < 0 || a > width) continue;
        const QRectF band(area.left() + std::max(a, 0.0), area.top(),
                          std::max(std::min(b, double(width)) - std::max(a, 0.0), 2.0),
                          area.height());
        painter.fillRect(band, QBrush(palette().color(QPalette::Mid), Qt::BDiagPattern));
        painter.setPen(QPen(palette().color(QPalette::Mid), 1, Qt::DashLine));
        painter.drawLine(band.topLeft(), band.bottomLeft());
        painter.drawLine(band.topRight(), band.bottomRight());
    }
}

void CSignalPlot::DrawLane(QPainter& painter, const Lane& lane, const QRect& box, int width) const {
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setPen(lane.color);
    const QString title = lane.unit.isEmpty() ? lane.title : lane.title + " [" + lane.unit + "]";
    painter.drawText(box.adjusted(6, 2, -6, 0), Qt::AlignLeft | Qt::AlignTop, title);
    if (lane.data == nullptr) return;
    const SampleSeries& s = lane.data->series;
    const LaneGeometry g =
        ComputeLaneColumns(s, lane.data->summary, viewport.From(), viewport.To(), width);
    ValueRange range = g.range;
    if (g.before >= 0) range.Add(s.values[static_cast<std::size_t>(g.before)]);
    const ValueRange shown = PaddedRange(range);
    const double top = box.top() + fontMetrics().height() + 2;
    const double height = std::max(box.bottom() - 2 - top, 4.0);
    const auto y = [&](double v) {
        return top + (shown.max - v) / (shown.max - shown.min) * height;
    };
    const auto x = [&](double axisX) { return box.left() + viewport.ToPixel(axisX, width); };

    // Value ticks at round values, each where the curve puts that value,
    // with a light grid line across the lane.
    const int lineHeight = fontMetrics().height();
    const ValueTicks ticks = RoundValueTicks(
        shown.min, shown.max, std::max(static_cast<int>(height) / (2 * lineHeight), 2),
        lane.format.type == ValueType::kInteger ? lane.format.decimals : -1);
    for (const double v : ticks.values) {
        const double at = y(v);
        painter.setPen(QPen(GridColor(palette()), 1));
        painter.drawLine(QPointF(box.left() + 1, at), QPointF(box.right() - 1, at));
        painter.setPen(palette().color(QPalette::Text));
        painter.drawLine(QPointF(box.left() - 4, at), QPointF(box.left(), at));
        painter.drawText(QRectF(0, at - lineHeight / 2.0, kLeft - 8, lineHeight),
                         Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(v, 'f', ticks.decimals));
    }

    painter.save();
    painter.setClipRect(box.adjusted(1, 1, -1, -1));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(lane.color, 1.5));
    const bool steps = lane.table != nullptr;
    QVector<QLineF> lines;
    lines.reserve(static_cast<int>(g.columns.size()) * 3 + 4);
    // Joins (px, pv) to the next point (nx, nv): straight, or as a step;
    // never across a break between recording spans (pa, na: axis positions).
    const auto join = [&](double px, double pv, double pa, double nx, double nv, double na) {
        if (std::isnan(pv) || std::isnan(nv) || axis.SpanAt(pa) != axis.SpanAt(na)) return;
        if (steps) {
            lines.append(QLineF(px, y(pv), nx, y(pv)));
            lines.append(QLineF(nx, y(pv), nx, y(nv)));
        } else {
            lines.append(QLineF(px, y(pv), nx, y(nv)));
        }
    };
    double lastX = 0;
    double lastA = 0;
    double lastV = std::nan("");
    bool have = false;
    if (g.before >= 0) {
        lastA = s.x[static_cast<std::size_t>(g.before)];
        lastX = x(lastA);
        lastV = s.values[static_cast<std::size_t>(g.before)];
        have = true;
    }
    for (const LaneColumn& c : g.columns) {
        const double cx = box.left() + c.pixel + 0.5;
        if (have) join(lastX, lastV, lastA, cx, s.values[c.first], s.x[c.first]);
        if (c.range.any) lines.append(QLineF(cx, y(c.range.min), cx, y(c.range.max)));
        lastX = cx;
        lastA = s.x[c.last];
        lastV = s.values[c.last];
        have = true;
    }
    if (g.after >= 0 && have) {
        const auto after = static_cast<std::size_t>(g.after);
        join(lastX, lastV, lastA, x(s.x[after]), s.values[after], s.x[after]);
    } else if (steps && have && !std::isnan(lastV) && !g.columns.empty()) {
        // The last value holds to the end of the recording.
        lines.append(
            QLineF(lastX, y(lastV), std::min(x(s.x.back()), double(box.right())), y(lastV)));
    }
    painter.drawLines(lines);

    // A value table's texts where the value changes, as far as they fit.
    if (steps && !s.raws.empty()) {
        painter.setPen(palette().color(QPalette::Text));
        double free = box.left();
        long long previous = g.before;
        const auto label = [&](double at, long long i) {
            const QString text = SampleText(lane, i);
            const int w = fontMetrics().horizontalAdvance(text);
            if (at < free) return;
            painter.drawText(QPointF(at + 3, y(s.values[static_cast<std::size_t>(i)]) - 3), text);
            free = at + w + 10;
        };
        if (previous >= 0) label(box.left(), previous);
        for (const LaneColumn& c : g.columns) {
            const bool change = previous < 0 || s.raws[c.first] != s.raws[previous] ||
                                s.raws[c.last] != s.raws[c.first];
            if (change) label(box.left() + c.pixel, static_cast<long long>(c.last));
            previous = static_cast<long long>(c.last);
        }
    }
    painter.restore();
}

void CSignalPlot::DrawAxis(QPainter& painter, const QRect& area) const {
    painter.setPen(palette().color(QPalette::Text));
    painter.drawLine(area.topLeft(), area.topRight());
    const int labelWidth = fontMetrics().horizontalAdvance(QStringLiteral("00:00:00.000")) + 24;
    const auto ticks = TimeTicks(area.width());
    // Ticks of neighbouring spans may fall close together: a label that
    // would run into the one before it is left out.
    double free = area.left() - labelWidth;
    for (const AxisTick& t : ticks) {
        const double px = area.left() + viewport.ToPixel(t.x, area.width());
        painter.drawLine(QPointF(px, area.top()), QPointF(px, area.top() + 4));
        const QString text = QString::fromStdString(t.text);
        const double half = fontMetrics().horizontalAdvance(text) / 2.0 + 6;
        if (px - half < free) continue;
        painter.drawText(QRectF(px - half, area.top() + 4, 2 * half, area.height() - 4),
                         Qt::AlignHCenter | Qt::AlignTop, text);
        free = px + half;
    }
}

void CSignalPlot::DrawCursor(QPainter& painter, const QRect& area, int height) const {
    if (!cursor || *cursor < viewport.From() || *cursor > viewport.To()) return;
    const double px = area.left() + viewport.ToPixel(*cursor, area.width());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1));
    painter.drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
    std::vector<QString> texts = CursorTexts();
    const std::vector<QString> deltas = DeltaTexts();
    for (int i = 0; i < static_cast<int>(lanes.size()); ++i) {
        if (!deltas[i].isEmpty()) texts[i] += QStringLiteral("   ") + deltas[i];
        if (texts[i].isEmpty()) continue;
        const LaneBox box = LaneRect(i, height);
        const QRect bounds = fontMetrics().boundingRect(texts[i]).adjusted(-4, -2, 4, 2);
        QRectF label(px + 6, box.top + 2, bounds.width(), bounds.height());
        if (label.right() > area.right()) label.moveRight(px - 6);
        painter.fillRect(label, palette().color(QPalette::ToolTipBase));
        painter.setPen(lanes[i].color);
        painter.drawRect(label);
        painter.setPen(palette().color(QPalette::ToolTipText));
        painter.drawText(label, Qt::AlignCenter, texts[i]);
    }
    // As many decimals as a pixel of the view is worth, down to 0.1 ms.
    QString time = QString::fromStdString(axis.TimeText(*cursor, TimeDecimals(area.width())));
    if (const QString delta = DeltaTimeText(); !delta.isEmpty())
        time += QStringLiteral("   ") + delta;
    const QRect bounds = fontMetrics().boundingRect(time).adjusted(-4, -2, 4, 2);
    QRectF label(px - bounds.width() / 2.0, area.bottom() + 2, bounds.width(), bounds.height());
    painter.fillRect(label, palette().color(QPalette::Highlight));
    painter.setPen(palette().color(QPalette::HighlightedText));
    painter.drawText(label, Qt::AlignCenter, time);
}

void CSignalPlot::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    if (delta.y() != 0)
        ZoomAtPixel(event->position().x(), std::pow(kWheelStep, delta.y() / 120.0));
    else if (delta.x() != 0)
        PanPixels(delta.x() / 4.0);
    event->accept();
}

void CSignalPlot::mousePressEvent(QMouseEvent* event) {
    setFocus();
    const double px = event->position().x();
    if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier)) {
        if (px >= PlotLeft() && px <= PlotLeft() + PlotWidth(width()))
            SetReferenceX(viewport.FromPixel(px - PlotLeft(), PlotWidth(width())));
        return;
    }
    if (event->button() == Qt::LeftButton) dragFrom = px;
}

void CSignalPlot::mouseMoveEvent(QMouseEvent* event) {
    const double px = event->position().x();
    if (dragFrom && (event->buttons() & Qt::LeftButton)) {
        PanPixels(px - *dragFrom);
        dragFrom = px;
    }
    if (px >= PlotLeft() && px <= PlotLeft() + PlotWidth(width()))
        SetCursorX(viewport.FromPixel(px - PlotLeft(), PlotWidth(width())));
}

void CSignalPlot::mouseReleaseEvent(QMouseEvent*) {
    dragFrom.reset();
}

void CSignalPlot::mouseDoubleClickEvent(QMouseEvent* event) {
    const int frame = FrameNear(event->position().x(), event->position().y());
    if (frame >= 0) emit frameChosen(frame);
}

void CSignalPlot::keyPressEvent(QKeyEvent* event) {
    const double middle = PlotLeft() + PlotWidth(width()) / 2.0;
    switch (event->key()) {
        case Qt::Key_0:
            Fit();
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomAtPixel(
                cursor ? PlotLeft() + viewport.ToPixel(*cursor, PlotWidth(width())) : middle, 0.5);
            break;
        case Qt::Key_Minus:
            ZoomAtPixel(middle, 2);
            break;
        case Qt::Key_Left:
            PanPixels(PlotWidth(width()) / 8.0);
            break;
        case Qt::Key_Right:
            PanPixels(-PlotWidth(width()) / 8.0);
            break;
        case Qt::Key_M:
            if (cursor) SetReferenceX(cursor);
            break;
        case Qt::Key_Escape:
            if (!reference) {
                QWidget::keyPressEvent(event);
                return;
            }
            SetReferenceX(std::nullopt);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void CSignalPlot::leaveEvent(QEvent*) {
    SetCursorX(std::nullopt);
}

}  // namespace korvex::signaldb
