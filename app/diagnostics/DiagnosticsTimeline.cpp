#include "app/diagnostics/DiagnosticsTimeline.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace korvex::diagnostics {
namespace {

constexpr int kRowHeight = 18;
constexpr int kLabelWidth = 44;
constexpr int kMargin = 4;

// The colour of the most severe lamp that is on.
QColor LampColour(std::uint8_t lamps) {
    const auto on = [lamps](int shift) { return ((lamps >> shift) & 3) == 1; };
    if (on(4)) return QColor(0xd6, 0x27, 0x28);  // red stop
    if (on(6)) return QColor(0xe3, 0x77, 0x0c);  // malfunction indicator
    if (on(2)) return QColor(0xf2, 0xb7, 0x05);  // amber warning
    if (on(0)) return QColor(0x94, 0x67, 0xbd);  // protect
    return QColor(0x7f, 0x7f, 0x7f);
}

QString SourceText(std::uint8_t source) {
    return QString::asprintf("0x%02X", source);
}

}  // namespace

CDiagnosticsTimeline::CDiagnosticsTimeline(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumHeight(3 * kRowHeight);
}

void CDiagnosticsTimeline::SetContent(const CDiagnosticsRows* r, std::int64_t frames,
                                      std::function<std::string(std::int64_t)> text) {
    rows = r;
    frameCount = frames;
    timeText = std::move(text);
    sources = rows ? rows->Sources() : std::vector<std::uint8_t>();
    places = rows ? rows->TimelineSlots(laneRows) : std::vector<CDiagnosticsRows::TimelineSlot>();
    int total = 0;
    for (const int n : laneRows) total += n;
    setMinimumHeight((std::max(total, 2) + 1) * kRowHeight + 2 * kMargin);
    update();
}

QRect CDiagnosticsTimeline::Plot() const {
    return rect().adjusted(kLabelWidth, kMargin, -kMargin, -kMargin);
}

int CDiagnosticsTimeline::RowTop(int lane, int row) const {
    int top = 0;
    for (int k = 0; k < lane; ++k) top += laneRows[static_cast<std::size_t>(k)] * kRowHeight;
    return top + row * kRowHeight;
}

QRect CDiagnosticsTimeline::Bar(std::size_t episode) const {
    const QRect plot = Plot();
    const transport::DtcEpisode& e = rows->Episodes()[episode];
    const int top = plot.top() + RowTop(places[episode].lane, places[episode].row);
    const int left = plot.left() + static_cast<int>(TimelineX(e.first, frameCount, plot.width()));
    const int right = plot.left() + static_cast<int>(TimelineX(e.last, frameCount, plot.width()));
    // An episode of one report still shows as a short bar.
    return {left, top + 2, std::max(right - left, 4), kRowHeight - 4};
}

int CDiagnosticsTimeline::EpisodeAt(const QPoint& at) const {
    if (rows == nullptr) return -1;
    for (std::size_t k = 0; k < places.size(); ++k)
        if (Bar(k).adjusted(-2, 0, 2, 0).contains(at)) return static_cast<int>(k);
    return -1;
}

void CDiagnosticsTimeline::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const QRect plot = Plot();
    for (std::size_t lane = 0; lane < sources.size(); ++lane) {
        const int top = plot.top() + RowTop(static_cast<int>(lane), 0);
        const int height = laneRows[lane] * kRowHeight;
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QRect(0, top, kLabelWidth - 4, kRowHeight), Qt::AlignRight | Qt::AlignVCenter,
                   SourceText(sources[lane]));
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(0, top + height, plot.right(), top + height);
    }
    for (std::size_t k = 0; k < places.size(); ++k) {
        const transport::DtcEpisode& e = rows->Episodes()[k];
        const QRect bar = Bar(k);
        p.fillRect(bar, LampColour(e.lamps));
        const QString label = QStringLiteral("SPN %1 FMI %2").arg(e.spn).arg(e.fmi);
        if (bar.width() > p.fontMetrics().horizontalAdvance(label) + 6) {
            p.setPen(Qt::white);
            p.drawText(bar.adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter, label);
        }
    }
    if (cursorX >= plot.left() && cursorX <= plot.right()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DashLine));
        p.drawLine(cursorX, plot.top(), cursorX, plot.bottom());
    }
}

void CDiagnosticsTimeline::mouseMoveEvent(QMouseEvent* event) {
    const QRect plot = Plot();
    const QPoint at = event->position().toPoint();
    cursorX = at.x();
    cursorText.clear();
    if (frameCount > 0 && timeText && at.x() >= plot.left()) {
        const std::int64_t frame = TimelineFrame(at.x() - plot.left(), frameCount, plot.width());
        cursorText = QString::fromStdString(timeText(frame));
        for (std::size_t lane = 0; lane < sources.size(); ++lane) {
            const int top = plot.top() + RowTop(static_cast<int>(lane), 0);
            if (at.y() >= top && at.y() < top + laneRows[lane] * kRowHeight)
                cursorText += QStringLiteral("  ") + SourceText(sources[lane]);
        }
        const int episode = EpisodeAt(at);
        if (episode >= 0) {
            const transport::DtcEpisode& e = rows->Episodes()[static_cast<std::size_t>(episode)];
            cursorText +=
                QStringLiteral("  SPN %1 FMI %2 OC %3").arg(e.spn).arg(e.fmi).arg(e.occurrences);
        }
    }
    emit cursorMoved(cursorText);
    update();
}

void CDiagnosticsTimeline::mouseDoubleClickEvent(QMouseEvent* event) {
    const int episode = EpisodeAt(event->position().toPoint());
    if (episode >= 0) emit episodeActivated(episode);
}

void CDiagnosticsTimeline::leaveEvent(QEvent*) {
    cursorX = -1;
    update();
}

}  // namespace korvex::diagnostics
