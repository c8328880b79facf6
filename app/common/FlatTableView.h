#pragma once

#include <QAbstractItemView>

class QHeaderView;

// A table view for lists of millions of rows: every row has the same height,
// the vertical scroll bar counts rows, and nothing is kept per row. (A
// QTableView keeps eight bytes per row in its vertical header, hidden or not,
// and walks every row when the row count changes.) The columns come from a
// horizontal header as in a QTableView; only the rows on screen are painted,
// through the item delegate.
class CFlatTableView : public QAbstractItemView {
    Q_OBJECT

  public:
    explicit CFlatTableView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    QHeaderView* horizontalHeader() const { return header; }

    void setRowHeight(int height);
    int rowHeight() const { return rowPixels; }
    void setColumnWidth(int column, int width);
    int columnWidth(int column) const;
    // Widens or narrows a column to the texts of the rows on screen and its caption.
    void resizeColumnToContents(int column);

    // The row at viewport height y, or -1 where there is none.
    int rowAt(int y) const;
    // The row at the top of the viewport.
    int firstVisibleRow() const;

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    int sizeHintForColumn(int column) const override;

  protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;

  private:
    int RowCount() const;
    int ColumnCount() const;
    // Rows that fit the viewport whole (at least one).
    int FullRows() const;
    // The viewport's y of `row`, kept within the int range far off screen.
    int RowY(int row) const;

    QHeaderView* header;
    int rowPixels = 20;
    // The row at the top when the mouse button went down: the item view works
    // out drag selections from offsets, which stay small counted from there
    // where the rows above the top would not fit an int in pixels.
    int offsetAnchor = 0;
};
