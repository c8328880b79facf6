#pragma once

#include <QFont>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

// The history curve: one value per record, the newest at the right edge,
// older records leftwards by their time stamps. It draws at most one vertex
// per pixel column, finding the records by binary search, so a repaint costs
// what its pixels cost however many records there are.
class CHisCurve : public QWidget {
    Q_OBJECT

  public:
    // Record i (0 the oldest): its value and its time stamp in 0.1 ms.
    using DataSource = std::function<bool(int i, int& value, std::uint32_t& stamp)>;
    using CountSource = std::function<int()>;

    static constexpr int kRepaintInterval = 1000;  // ms

    explicit CHisCurve(QWidget* parent = nullptr);

    void SetDataSource(DataSource data, CountSource count);
    // Step time: milliseconds of data per record spacing; default 5.
    void SetStepTime(int ms);
    int StepTime() const { return stepTime; }
    void SetYRange(int minimum, int maximum);
    int YMin() const { return yMin; }
    int YMax() const { return yMax; }
    void SetUnit(const QString& unit) { unitLabel = unit; }
    // The sub-interval texts drawn under the curve.
    void SetRangeTexts(const std::string& start, const std::string& end);
    int LeftMargin() const { return leftMargin; }
    // Vertices of the last paint (at most one per pixel column).
    int LastVertexCount() const { return lastVertices; }

    // Commands 32786 "放大", 32787 "缩小", 32788 "适合大小".
    void ZoomIn();
    void ZoomOut();
    void Fit();

    // The context menu of the three commands; the keys +, - and 0 give them too.
    static constexpr std::uint32_t kMenu = 25101;
    static constexpr std::uint32_t kCmdZoomIn = 32786;
    static constexpr std::uint32_t kCmdZoomOut = 32787;
    static constexpr std::uint32_t kCmdFit = 32788;
    void OnCommand(std::uint32_t id);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void ZoomByMouse(QMouseEvent* event);

    DataSource dataSource;
    CountSource countSource;
    int stepTime = 5;
    int yMin = 0;
    int yMax = 100;
    QString unitLabel;
    QString startText;
    QString endText;
    int leftMargin = 50;
    int lastVertices = 0;
    QFont font;
    QTimer repaintTimer;
};
