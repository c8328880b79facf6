#pragma once

#include <QString>
#include <QWidget>
#include <vector>

#include "core/discover/MessageDiscovery.h"

namespace korvex::signaldb {

// The bits of one message as a heat map of their flip rates, a row per
// byte, with the fields found outlined and named. A click chooses a field;
// dragging a field's first or last bit moves that end.
class CBitGrid : public QWidget {
    Q_OBJECT

  public:
    explicit CBitGrid(QWidget* parent = nullptr);

    // The message shown and its fields' names; the grid edits the message's
    // fields in place. nullptr: nothing shown.
    void SetMessage(discover::MessageDiscovery* message, std::vector<QString> fieldNames);
    // "Byte %s" in the language of the moment.
    void SetByteFormat(const QString& format);
    void SetSelectedField(int index);
    int SelectedField() const { return selected; }
    // Where the cell of data bit `wordBit` is drawn.
    QRect CellRect(int wordBit) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  signals:
    void fieldHovered(int index);  // -1: the pointer is over no field
    void fieldSelected(int index);
    void fieldEdited(int index);  // after a drag changed its ends

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    int BitAt(QPoint point) const;
    int Rows() const;
    bool IsFieldEnd(int field, int wordBit) const;
    void Hover(int field);

    discover::MessageDiscovery* message = nullptr;
    std::vector<QString> names;
    QString byteFormat = QStringLiteral("%s");
    int selected = -1;
    int hovered = -1;
    int dragField = -1;
    int dragEnd = -1;  // the data bit of the end being dragged
    bool dragMoved = false;
};

}  // namespace korvex::signaldb
