#include "app/common/FlatTableView.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace {

// Far off screen a row's y is cut to this, which still lies outside any viewport.
constexpr long long kFarAway = 1 << 28;

}  // namespace

CFlatTableView::CFlatTableView(QWidget* parent)
    : QAbstractItemView(parent), header(new QHeaderView(Qt::Horizontal, this)) {
    header->setSectionsClickable(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    connect(header, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    connect(header, &QHeaderView::sectionMoved, this, [this] { viewport()->update(); });
    connect(header, &QHeaderView::sectionCountChanged, this, [this] { updateGeometries(); });
}

void CFlatTableView::setModel(QAbstractItemModel* newModel) {
    if (QAbstractItemModel* old = model()) disconnect(old, nullptr, this, nullptr);
    QAbstractItemView::setModel(newModel);
    header->setModel(newModel);
    if (newModel != nullptr) {
        // Removed rows may leave the scroll bar past the end.
        connect(newModel, &QAbstractItemModel::rowsRemoved, this, [this] {
            updateGeometries();
            viewport()->update();
        });
    }
    updateGeometries();
}

void CFlatTableView::setRowHeight(int height) {
    rowPixels = std::max(height, 1);
    updateGeometries();
    viewport()->update();
}

void CFlatTableView::setColumnWidth(int column, int width) {
    header->resizeSection(column, std::max(width, 0));
}

int CFlatTableView::columnWidth(int column) const {
    return header->sectionSize(column);
}

void CFlatTableView::resizeColumnToContents(int column) {
    setColumnWidth(column, std::max(sizeHintForColumn(column), header->sectionSizeHint(column)));
}

int CFlatTableView::RowCount() const {
    return model() != nullptr ? model()->rowCount(rootIndex()) : 0;
}

int CFlatTableView::ColumnCount() const {
    return model() != nullptr ? model()->columnCount(rootIndex()) : 0;
}

int CFlatTableView::FullRows() const {
    return std::max(viewport()->height() / rowPixels, 1);
}

int CFlatTableView::firstVisibleRow() const {
    return verticalScrollBar()->value();
}

int CFlatTableView::rowAt(int y) const {
    if (y < 0) return -1;
    const long long row = firstVisibleRow() + static_cast<long long>(y / rowPixels);
    return row < RowCount() ? static_cast<int>(row) : -1;
}

int CFlatTableView::RowY(int row) const {
    const long long y = (static_cast<long long>(row) - firstVisibleRow()) * rowPixels;
    return static_cast<int>(std::clamp(y, -kFarAway, kFarAway));
}

QRect CFlatTableView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.parent() != rootIndex()) return {};
    return QRect(header->sectionViewportPosition(index.column()), RowY(index.row()),
                 header->sectionSize(index.column()), rowPixels);
}

QModelIndex CFlatTableView::indexAt(const QPoint& point) const {
    const int row = rowAt(point.y());
    const int column = header->logicalIndexAt(point.x());
    if (row < 0 || column < 0) return {};
    return model()->index(row, column, rootIndex());
}

void CFlatTableView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid()) return;
    const int row = index.row();
    const int first = firstVisibleRow();
    const int rows = FullRows();
    int top = first;
    switch (hint) {
        case PositionAtTop:
            top = row;
            break;
        case PositionAtBottom:
            top = row - rows + 1;
            break;
        case PositionAtCenter:
            top = row - rows / 2;
            break;
        case EnsureVisible:
            if (row < first) top = row;
            if (row >= first + rows) top = row - rows + 1;
            break;
    }
    verticalScrollBar()->setValue(top);
    // Horizontally the column comes into view, its left edge first.
    const int left = header->sectionPosition(index.column());
    const int right = left + header->sectionSize(index.column());
    QScrollBar* across = horizontalScrollBar();
    if (right > across->value() + viewport()->width())
        across->setValue(right - viewport()->width());
    if (left < across->value()) across->setValue(left);
}

int CFlatTableView::sizeHintForColumn(int column) const {
    // The rows on screen only: the item view's own walks every row.
    if (model() == nullptr || column < 0 || column >= ColumnCount()) return -1;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int widest = -1;
    const int last = std::min(RowCount(), firstVisibleRow() + FullRows() + 1);
    for (int row = firstVisibleRow(); row < last; ++row) {
        const QModelIndex index = model()->index(row, column, rootIndex());
        widest = std::max(widest, itemDelegateForIndex(index)->sizeHint(option, index).width());
    }
    return widest;
}

QModelIndex CFlatTableView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int rows = RowCount();
    const int columns = ColumnCount();
    if (rows == 0 || columns == 0) return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid()) return model()->index(0, header->logicalIndex(0), rootIndex());
    long long row = current.row();
    int visual = header->visualIndex(current.column());
    switch (action) {
        case MoveUp:
        case MovePrevious:
            --row;
            break;
        case MoveDown:
        case MoveNext:
            ++row;
            break;
        case MoveLeft:
            visual = std::max(visual - 1, 0);
            break;
        case MoveRight:
            visual = std::min(visual + 1, columns - 1);
            break;
        case MovePageUp:
            row -= FullRows();
            break;
        case MovePageDown:
            row += FullRows();
            break;
        case MoveHome:
            row = 0;
            break;
        case MoveEnd:
            row = rows - 1;
            break;
    }
    row = std::clamp(row, 0LL, static_cast<long long>(rows - 1));
    return model()->index(static_cast<int>(row), header->logicalIndex(visual), rootIndex());
}

int CFlatTableView::horizontalOffset() const {
    return horizontalScrollBar()->value();
}

int CFlatTableView::verticalOffset() const {
    return static_cast<int>(
        std::clamp((static_cast<long long>(firstVisibleRow()) - offsetAnchor) * rowPixels,
                   -kFarAway, kFarAway));
}

bool CFlatTableView::isIndexHidden(const QModelIndex& index) const {
    return header->isSectionHidden(index.column());
}

void CFlatTableView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    const int rows = RowCount();
    const int columns = ColumnCount();
    if (selectionModel() == nullptr || rows == 0 || columns == 0) return;
    const QRect area = rect.normalized();
    const auto rowOf = [&](int y) {
        const long long row =
            firstVisibleRow() +
            static_cast<long long>(std::floor(static_cast<double>(y) / rowPixels));
        return static_cast<int>(std::clamp(row, 0LL, static_cast<long long>(rows - 1)));
    };
    const int top = rowOf(area.top());
    const int bottom = rowOf(area.bottom());
    // Whole rows: the lists select rows, and a range over every column says so.
    const QItemSelection selection(model()->index(top, 0, rootIndex()),
                                   model()->index(bottom, columns - 1, rootIndex()));
    selectionModel()->select(selection, command);
}

QRegion CFlatTableView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int first = firstVisibleRow();
    const int last = first + FullRows();
    for (const QItemSelectionRange& range : selection) {
        const int top = std::max(range.top(), first);
        const int bottom = std::min(range.bottom(), last);
        if (top > bottom) continue;
        region += QRect(0, RowY(top), viewport()->width(), (bottom - top + 1) * rowPixels);
    }
    return region;
}

void CFlatTableView::paintEvent(QPaintEvent* event) {
    if (model() == nullptr) return;
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex current = currentIndex();
    const int first = firstVisibleRow();
    const int last = std::min(RowCount(), first + FullRows() + 1);
    const int columns = header->count();
    for (int row = first; row < last; ++row) {
        for (int visual = 0; visual < columns; ++visual) {
            const int column = header->logicalIndex(visual);
            if (header->isSectionHidden(column)) continue;
            const QRect cell(header->sectionViewportPosition(column), RowY(row),
                             header->sectionSize(column), rowPixels);
            if (!event->region().intersects(cell)) continue;
            const QModelIndex index = model()->index(row, column, rootIndex());
            QStyleOptionViewItem cellOption = option;
            cellOption.rect = cell;
            if (selectionModel() != nullptr && selectionModel()->isSelected(index))
                cellOption.state |= QStyle::State_Selected;
            if (index == current && hasFocus()) cellOption.state |= QStyle::State_HasFocus;
            itemDelegateForIndex(index)->paint(&painter, cellOption, index);
        }
    }
}

void CFlatTableView::updateGeometries() {
    const int headerHeight = header->isHidden() ? 0 : header->sizeHint().height();
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect area = viewport()->geometry();
    header->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);

    const int rows = RowCount();
    QScrollBar* down = verticalScrollBar();
    down->setRange(0, std::max(rows - FullRows(), 0));
    down->setPageStep(FullRows());
    down->setSingleStep(1);
    QScrollBar* across = horizontalScrollBar();
    across->setRange(0, std::max(header->length() - area.width(), 0));
    across->setPageStep(area.width());
    across->setSingleStep(20);
    header->setOffset(across->value());
    QAbstractItemView::updateGeometries();
}

void CFlatTableView::scrollContentsBy(int, int) {
    header->setOffset(horizontalScrollBar()->value());
    viewport()->update();
}

void CFlatTableView::mousePressEvent(QMouseEvent* event) {
    offsetAnchor = firstVisibleRow();
    QAbstractItemView::mousePressEvent(event);
}

void CFlatTableView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    updateGeometries();
    viewport()->update();
}
