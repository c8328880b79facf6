#include "app/analysis/ClusterDataList.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <cerrno>

#include "app/analysis/ClusterRecord.h"
#include "app/common/rules/WriteFailureText.h"
#include "app/services/WindowHandle.h"
#include "protolens/include/MessageWindow.h"
#include "xtp/XTPUiServices.h"

namespace {

// Draws the first column as a tree: a head with members gets a "+" or "-"
// box in the first indent level and its text after it; member rows are moved
// in by two levels.
class CClusterTreeDelegate : public QStyledItemDelegate {
  public:
    CClusterTreeDelegate(const korvex::CClusterResult& result, CClusterDataList& list)
        : QStyledItemDelegate(&list), result(result), list(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (index.column() != 0 || static_cast<std::size_t>(index.row()) >= result.RowCount()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const korvex::ClusterRow& row = result.Row(static_cast<std::size_t>(index.row()));
        const int indent = list.IndentWidth();
        QStyleOptionViewItem shifted = option;
        shifted.rect.setLeft(option.rect.left() + (row.head ? indent : 2 * indent));
        QStyledItemDelegate::paint(painter, shifted, index);
        if (!row.head || result.MemberCount(row) == 0) return;
        const int side = std::min(indent, option.rect.height()) - 6;
        const QRect box(option.rect.left() + (indent - side) / 2,
                        option.rect.top() + (option.rect.height() - side) / 2, side, side);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawRect(box);
        const QPoint c = box.center();
        painter->drawLine(box.left() + 2, c.y(), box.right() - 2, c.y());
        if (!row.unfolded) painter->drawLine(c.x(), box.top() + 2, c.x(), box.bottom() - 2);
        painter->restore();
    }

  private:
    const korvex::CClusterResult& result;
    const CClusterDataList& list;
};

}  // namespace

CClusterDataList::CClusterDataList(QWidget* parent)
    : CFlatTableView(parent), record(new CClusterRecord(result, 0, this)) {
    setModel(record);
    setItemDelegate(new CClusterTreeDelegate(result, *this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setRowHeight(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

CClusterDataList::~CClusterDataList() = default;

int CClusterDataList::IndentWidth() const {
    return fontMetrics().height();
}

void CClusterDataList::TakeColumns(std::vector<std::string> captions,
                                   const std::vector<int>& widths) {
    record->SetColumns(std::move(captions), record->CellText());
    for (std::size_t c = 0; c < widths.size(); ++c)
        setColumnWidth(static_cast<int>(c), WidthFor(c, widths[c]));
}

void CClusterDataList::WidenColumns(const std::vector<int>& widths) {
    for (std::size_t c = 0; c < widths.size(); ++c) {
        const int width = WidthFor(c, widths[c]);
        if (columnWidth(static_cast<int>(c)) < width) setColumnWidth(static_cast<int>(c), width);
    }
}

int CClusterDataList::WidthFor(std::size_t column, int frameListWidth) const {
    // Column 0 leaves room for the fold marks.
    return frameListWidth + (column == 0 ? 2 * IndentWidth() : 0);
}

void CClusterDataList::Run(CCycleBuffer<_VCI_CAN_OBJ>& store,
                           const std::vector<std::int32_t>& columns,
                           std::vector<std::string> captions,
                           const korvex::ExportRowContext& groupContext,
                           korvex::ClusterCellTextFn shownText) {
    const std::size_t before = result.RowCount();
    const bool taken = !record->Captions().empty();
    const bool sameColumns = captions == record->Captions();
    result.Run(store, columns, groupContext);
    if (!sameColumns) {
        record->SetColumns(std::move(captions), std::move(shownText));
        if (!taken) {
            resizeColumnToContents(0);
            setColumnWidth(0, columnWidth(0) + 2 * IndentWidth());
        }
        return;
    }
    record->SetCellText(std::move(shownText));
    if (before == result.RowCount())
        viewport()->update();
    else
        record->Reinstall();
}

void CClusterDataList::TakeCaptions(std::vector<std::string> captions) {
    record->SetCaptions(std::move(captions));
}

void CClusterDataList::Reinstall(int row) {
    setEnabled(false);
    record->Reinstall();
    if (row >= 0 && static_cast<std::size_t>(row) < result.RowCount())
        setCurrentIndex(record->index(row, 0));
    setEnabled(true);
}

void CClusterDataList::OnDoubleClick(int row) {
    if (row < 0) return;
    const korvex::ClusterClick click = result.DoubleClick(static_cast<std::size_t>(row));
    if (click.kind == korvex::ClusterClick::kToggled) {
        Reinstall(row);
    } else if (click.kind == korvex::ClusterClick::kGoToFrame && owner) {
        owner->PostMessage(korvex::CClusterResult::kGoToFrameMessage,
                           static_cast<std::uintptr_t>(click.frame), 0);
    }
}

void CClusterDataList::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid()) OnDoubleClick(index.row());
    event->accept();
}

void CClusterDataList::mouseReleaseEvent(QMouseEvent* event) {
    CFlatTableView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) return;
    const int x = event->position().toPoint().x() - visualRect(index).left();
    if (result.IndentClick(static_cast<std::size_t>(index.row()), index.column(), x, IndentWidth()))
        Reinstall(index.row());
}

void CClusterDataList::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    XTPMenu menu;
    if (!XTPResourceManager()->LoadMenu(kMenu, menu) || menu.items.empty()) return;
    OnCommand(XTPUiServices().TrackPopupMenu(menu.items.front(), korvex::ToCWnd(this)));
}

void CClusterDataList::OnCommand(std::uint32_t id) {
    if (id == kCmdClear) {
        result.Clear();
        record->Reinstall();
    } else if (id == kCmdExport) {
        Export();
    }
}

void CClusterDataList::Export() {
    XTPFileDialogRequest request;
    request.defaultExt = "txt";
    request.filter = "Text File|*.txt||";
    request.flags = xtp_ofn::kOverwritePrompt | xtp_ofn::kHideReadOnly;
    std::string path;
    if (!XTPUiServices().SaveFileDialog(korvex::ToCWnd(this), request, path)) return;
    errno = 0;
    const korvex::ClusterExportStatus status =
        result.WriteExportFile(path, record->Captions(), record->CellText());
    if (status == korvex::ClusterExportStatus::kOk) return;
    korvex::FileWriteProblem problem;
    problem.Set(status != korvex::ClusterExportStatus::kCannotCreate);
    XTPUiServices().MessageBox(korvex::ToCWnd(this), korvex::WriteFailureText(path, problem),
                               std::string(), xtp_mb::kOk | xtp_mb::kIconError);
}
