#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "app/diagnostics/rules/DiagnosticsRows.h"

namespace korvex::diagnostics {

// The fault codes over time: one lane per source, a bar per episode from its
// first to its last report, coloured by the lamps of its last report; a
// vertical cursor follows the mouse and tells the time there. A double-click
// on a bar asks for its episode.
class CDiagnosticsTimeline : public QWidget {
    Q_OBJECT

  public:
    explicit CDiagnosticsTimeline(QWidget* parent = nullptr);

    // `rows` must outlive the content (the pane keeps it); `timeText` gives
    // the time text of a frame index.
    void SetContent(const CDiagnosticsRows* rows, std::int64_t frameCount,
                    std::function<std::string(std::int64_t)> timeText);
    // The text under the cursor: its time and the lane's source.
    QString CursorText() const { return cursorText; }
    // The episode drawn at a point, -1 for none.
    int EpisodeAt(const QPoint& at) const;

  signals:
    void episodeActivated(int episode);
    void cursorMoved(const QString& text);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QRect Plot() const;
    // The top of a lane's row, from the plot's top.
    int RowTop(int lane, int row) const;
    QRect Bar(std::size_t episode) const;

    const CDiagnosticsRows* rows = nullptr;
    std::vector<std::uint8_t> sources;
    std::vector<CDiagnosticsRows::TimelineSlot> places;
    std::vector<int> laneRows;
    std::int64_t frameCount = 0;
    std::function<std::string(std::int64_t)> timeText;
    int cursorX = -1;
    QString cursorText;
};

}  // namespace korvex::diagnostics
