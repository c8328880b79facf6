#include "app/analysis/HisCurve.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <vector>

#include "app/analysis/rules/HisCurveScale.h"
#include "app/services/WindowHandle.h"
#include "xtp/XTPUiServices.h"

namespace {

constexpr int kGridTop = 15;
constexpr int kGridBottom = 15;
constexpr int kDivisions = 10;
constexpr int kRightMargin = 5;

}  // namespace

CHisCurve::CHisCurve(QWidget* parent) : QWidget(parent), font(QStringLiteral("MS Sans Serif")) {
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 120);
    repaintTimer.setInterval(kRepaintInterval);
    connect(&repaintTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void CHisCurve::SetDataSource(DataSource data, CountSource count) {
    dataSource = std::move(data);
    countSource = std::move(count);
}

void CHisCurve::SetStepTime(int ms) {
    stepTime = std::max(ms, 1);
}

void CHisCurve::SetYRange(int minimum, int maximum) {
    yMin = minimum;
    yMax = std::max(maximum, minimum + 1);
}

void CHisCurve::SetRangeTexts(const std::string& start, const std::string& end) {
    startText = QString::fromStdString(start);
    endText = QString::fromStdString(end);
}

void CHisCurve::ZoomIn() {
    stepTime = korvex::CurveZoomIn(stepTime);
    update();
}

void CHisCurve::ZoomOut() {
    stepTime = korvex::CurveZoomOut(stepTime);
    update();
}

void CHisCurve::Fit() {
    const int count = countSource ? countSource() : 0;
    int value = 0;
    std::uint32_t oldest = 0;
    std::uint32_t newest = 0;
    if (dataSource && count > 0 && dataSource(0, value, oldest) &&
        dataSource(count - 1, value, newest)) {
        // The same geometry as the paint: records `spacing` pixels apart
        // while they fit one per pixel.
        const int plotWidth = std::max(width() - kRightMargin - leftMargin, 1);
        const int spacing = count <= plotWidth ? plotWidth / count : 1;
        stepTime = korvex::CurveFit((newest - oldest) / 10.0, spacing, plotWidth);
    } else {
        stepTime = korvex::kCurveFitStepTime;
    }
    update();
}

void CHisCurve::OnCommand(std::uint32_t id) {
    if (id == kCmdZoomIn) ZoomIn();
    if (id == kCmdZoomOut) ZoomOut();
    if (id == kCmdFit) Fit();
}

void CHisCurve::paintEvent(QPaintEvent*) {
    // Painted whole into a pixmap first, so the window never shows a half-drawn curve.
    QPixmap buffer(size());
    QPainter p(&buffer);
    QLinearGradient gradient(0, 0, 0, height());
    const QColor face = palette().color(QPalette::Window);
    gradient.setColorAt(0, face.lighter(115));
    gradient.setColorAt(1, face.darker(105));
    p.fillRect(rect(), gradient);
    p.setFont(font);
    p.setPen(Qt::black);

    const QFontMetrics metrics(font);
    leftMargin = metrics.horizontalAdvance(QString::number(static_cast<unsigned>(yMax))) + 5;
    // Beside the margin, so it never meets the top Y label.
    p.drawText(leftMargin + 2, metrics.ascent(), unitLabel);

    const int top = kGridTop;
    const int bottom = height() - kGridBottom;
    const int left = leftMargin;
    const int right = width() - kRightMargin;
    const int plotWidth = std::max(right - left, 1);
    const int count = countSource ? countSource() : 0;

    p.setPen(QColor(0, 79, 0));
    for (int d = 0; d <= kDivisions; ++d) {
        const int y = bottom - (bottom - top) * d / kDivisions;
        p.drawLine(left, y, right, y);
    }
    const int spacing = count > 0 && count <= plotWidth ? plotWidth / count : 1;
    if (count > 0 && count <= plotWidth) {
        for (int i = 0; i <= count; ++i)
            p.drawLine(right - i * spacing, top, right - i * spacing, bottom);
    }
    p.setPen(Qt::black);
    const int stepValue = std::max((yMax - yMin) / kDivisions, 1);
    for (int d = 0; d <= kDivisions; ++d) {
        const int value = yMin + d * stepValue;
        if (value > yMax) break;
        const int y = bottom - (bottom - top) * (value - yMin) / (yMax - yMin);
        p.drawText(QRect(0, y - metrics.height() / 2, left - 2, metrics.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(value));
    }

    lastVertices = 0;
    int newestValue = 0;
    std::uint32_t newestStamp = 0;
    if (dataSource && count > 0 && dataSource(count - 1, newestValue, newestStamp)) {
        p.drawText(left, height() - 2, startText);
        p.drawText(QRect(left, bottom, plotWidth, kGridBottom), Qt::AlignRight | Qt::AlignBottom,
                   endText);
        const auto xOf = [&](std::uint32_t stamp) {
            return right - static_cast<double>(spacing) * ((newestStamp - stamp) / 10.0) / stepTime;
        };
        const auto yOf = [&](int value) {
            return bottom - static_cast<double>(bottom - top) * (value - yMin) / (yMax - yMin);
        };
        QPolygonF line;
        line.reserve(plotWidth + 2);
        line.append(QPointF(right, yOf(newestValue)));
        int i = count - 1;
        double x = right;
        while (i > 0 && x > 1) {
            // The newest older record at least one pixel further left.
            const double wanted = x - 1;
            int lo = 0;
            int hi = i - 1;
            int found = -1;
            while (lo <= hi) {
                const int mid = lo + (hi - lo) / 2;
                int value = 0;
                std::uint32_t stamp = 0;
                if (!dataSource(mid, value, stamp)) break;
                if (xOf(stamp) <= wanted) {
                    found = mid;
                    lo = mid + 1;
                } else {
                    hi = mid - 1;
                }
            }
            if (found < 0) break;
            int value = 0;
            std::uint32_t stamp = 0;
            if (!dataSource(found, value, stamp)) break;
            x = std::max(xOf(stamp), 1.0);
            line.append(QPointF(x, yOf(value)));
            i = found;
        }
        lastVertices = static_cast<int>(line.size());
        p.setPen(QPen(QColor(255, 0, 0), 1));
        p.drawPolyline(line);
    }
    p.end();
    QPainter(this).drawPixmap(0, 0, buffer);
}

void CHisCurve::ZoomByMouse(QMouseEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) return;
    if (event->button() == Qt::LeftButton) ZoomIn();
    if (event->button() == Qt::RightButton) ZoomOut();
}

void CHisCurve::mousePressEvent(QMouseEvent* event) {
    ZoomByMouse(event);
}

void CHisCurve::mouseDoubleClickEvent(QMouseEvent* event) {
    ZoomByMouse(event);
}

void CHisCurve::mouseMoveEvent(QMouseEvent* event) {
    // Holding Ctrl keeps whatever cursor the user has; otherwise the arrow.
    if (!(event->modifiers() & Qt::ControlModifier)) setCursor(Qt::ArrowCursor);
}

void CHisCurve::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    // Ctrl with the right button zooms out instead.
    if (event->modifiers() & Qt::ControlModifier) return;
    XTPMenu menu;
    if (!XTPResourceManager()->LoadMenu(kMenu, menu) || menu.items.empty()) return;
    OnCommand(XTPUiServices().TrackPopupMenu(menu.items.front(), korvex::ToCWnd(this)));
}

void CHisCurve::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:  // "+" without Shift
            ZoomIn();
            break;
        case Qt::Key_Minus:
            ZoomOut();
            break;
        case Qt::Key_0:
            Fit();
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void CHisCurve::showEvent(QShowEvent* event) {
    repaintTimer.start();
    QWidget::showEvent(event);
}

void CHisCurve::hideEvent(QHideEvent* event) {
    repaintTimer.stop();
    QWidget::hideEvent(event);
}
