// The flat table view at the far end of a list too long for pixel offsets
// in an int: keys, clicks and selections land on the rows the user sees, and
// only the rows on screen are painted.
#include "app/common/FlatTableView.h"

#include <gtest/gtest.h>

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTest>

#include "tests/support/QtTestApplication.h"

namespace {

// Rows that exist only as numbers: nothing is kept per row.
class CountingModel : public QAbstractTableModel {
  public:
    explicit CountingModel(int rows) : rows(rows) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : rows;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 3;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        return role == Qt::DisplayRole ? QVariant(index.row()) : QVariant();
    }
    void Shrink(int count) {
        beginRemoveRows({}, count, rows - 1);
        rows = count;
        endRemoveRows();
    }

  private:
    int rows;
};

class CountingDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        ++painted;
        QStyledItemDelegate::paint(painter, option, index);
    }
    mutable int painted = 0;
};

constexpr int kRows = 2'000'000'000;

struct FlatTable : ::testing::Test {
    FlatTable() : model(kRows) {
        view.setModel(&model);
        view.setRowHeight(20);
        view.setSelectionMode(QAbstractItemView::ExtendedSelection);
        view.resize(400, 300);
        view.show();
    }
    QModelIndex Current() const { return view.currentIndex(); }
    QPoint RowPoint(int row, int column = 1) const {
        return view.visualRect(model.index(row, column)).center();
    }

    CountingModel model;
    CFlatTableView view;
};

TEST_F(FlatTable, KeysAndClicksReachTheLastRowAndSelectWholeRows) {
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Down);  // no current row yet: the first
    EXPECT_EQ(Current().row(), 0);
    QTest::keyClick(&view, Qt::Key_End);
    EXPECT_EQ(Current().row(), kRows - 1);
    EXPECT_TRUE(view.viewport()->rect().contains(view.visualRect(Current())));
    EXPECT_EQ(view.rowAt(RowPoint(kRows - 1).y()), kRows - 1);
    const int page = view.viewport()->height() / view.rowHeight();
    QTest::keyClick(&view, Qt::Key_PageUp);
    EXPECT_EQ(Current().row(), kRows - 1 - page);

    // A click and a shift-click far down select the rows between, whole.
    const int top = view.firstVisibleRow();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, RowPoint(top + 1));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, RowPoint(top + 4, 2));
    const QModelIndexList rows = view.selectionModel()->selectedRows();
    ASSERT_EQ(rows.size(), 4);
    for (const QModelIndex& r : rows) {
        EXPECT_GE(r.row(), top + 1);
        EXPECT_LE(r.row(), top + 4);
    }
    EXPECT_EQ(view.selectionModel()->selectedIndexes().size(), 4 * 3);
    EXPECT_EQ(view.indexAt(RowPoint(top + 2, 0)), model.index(top + 2, 0));

    QTest::keyClick(&view, Qt::Key_Home);
    EXPECT_EQ(Current().row(), 0);
    EXPECT_EQ(view.firstVisibleRow(), 0);
}

TEST_F(FlatTable, PaintsTheRowsOnScreenAndFollowsRemovedRows) {
    auto* delegate = new CountingDelegate(&view);
    view.setItemDelegate(delegate);
    view.scrollTo(model.index(kRows / 2, 0), QAbstractItemView::PositionAtTop);
    EXPECT_EQ(view.firstVisibleRow(), kRows / 2);
    view.grab();
    const int onScreen = view.viewport()->height() / view.rowHeight() + 1;
    EXPECT_GT(delegate->painted, 0);
    EXPECT_LE(delegate->painted, onScreen * 3);

    // Rows removed under the scroll bar leave it within the new end.
    model.Shrink(5);
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(view.firstVisibleRow(), 0);
    EXPECT_EQ(view.rowAt(5 * view.rowHeight()), -1);
}

}  // namespace
