#include "app/diagnostics/DiagnosticsTimeline.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace korvex::diagnostics {
namespace {

constexpr int kLaneHeight = 22;
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
    setMinimumHeight(3 * kLaneHeight);
}

void CDiagnosticsTimeline::SetContent(const CDiagnosticsRows* r, std::int64_t frames,
                                      std::function<std::string(std::int64_t)> text) {
    rows = r;
    frameCount = frames;
    timeText = std::move(text);
    sources = rows ? rows->Sources() : std::vector<std::uint8_t>();
    setMinimumHeight(std::max<int>(3, static_cast<int>(sources.size()) + 1) * kLaneHeight);
    update();
}

QRect CDiagnosticsTimeline::Plot() const {
    return rect().adjusted(kLabelWidth, kMargin, -kMargin, -kMargin);
}

int CDiagnosticsTimeline::LaneOf(std::uint8_t source) const {
    return static_cast<int>(std::lower_bound(sources.begin(), sources.end(), source) -
                            sources.begin());
}

int CDiagnosticsTimeline::EpisodeAt(const QPoint& at) const {
    if (rows == nullptr) return -1;
    const QRect plot = Plot();
    const auto& episodes = rows->Episodes();
    for (std::size_t k = 0; k < episodes.size(); ++k) {
        const transport::DtcEpisode& e = episodes[k];
        const int top = plot.top() + LaneOf(e.source) * kLaneHeight;
        const int left =
            plot.left() + static_cast<int>(TimelineX(e.first, frameCount, plot.width()));
        const int right =
            plot.left() + static_cast<int>(TimelineX(e.last, frameCount, plot.width()));
        if (at.y() >= top + 3 && at.y() < top + kLaneHeight - 3 && at.x() >= left - 2 &&
            at.x() <= std::max(right, left + 3) + 2)
            return static_cast<int>(k);
    }
    return -1;
}

void CDiagnosticsTimeline::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const QRect plot = Plot();
    p.setPen(palette().color(QPalette::Mid));
    for (std::size_t lane = 0; lane < sources.size(); ++lane) {
        const int top = plot.top() + static_cast<int>(lane) * kLaneHeight;
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QRect(0, top, kLabelWidth - 4, kLaneHeight), Qt::AlignRight | Qt::AlignVCenter,
                   SourceText(sources[lane]));
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(plot.left(), top + kLaneHeight, plot.right(), top + kLaneHeight);
    }
    if (rows != nullptr) {
        for (const transport::DtcEpisode& e : rows->Episodes()) {
            const int top = plot.top() + LaneOf(e.source) * kLaneHeight;
            const int left =
                plot.left() + static_cast<int>(TimelineX(e.first, frameCount, plot.width()));
            const int right =
                plot.left() + static_cast<int>(TimelineX(e.last, frameCount, plot.width()));
            // An episode of one report still shows as a short bar.
            const QRect bar(left, top + 4, std::max(right - left, 3), kLaneHeight - 8);
            p.fillRect(bar, LampColour(e.lamps));
            if (bar.width() > 60) {
                p.setPen(Qt::white);
                p.drawText(bar.adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter,
                           QStringLiteral("SPN %1 FMI %2").arg(e.spn).arg(e.fmi));
            }
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
        const int lane = (at.y() - plot.top()) / kLaneHeight;
        if (at.y() >= plot.top() && lane < static_cast<int>(sources.size()))
            cursorText +=
                QStringLiteral("  ") + SourceText(sources[static_cast<std::size_t>(lane)]);
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
