#include "app/analysis/SearchListCtrl.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <cerrno>
#include <cstdio>

#include "app/analysis/FrameListColumns.h"
#include "app/analysis/rules/FrameSearch.h"
#include "app/common/rules/WriteFailureText.h"
#include "app/framelist/KorvexList.h"
#include "app/framelist/KorvexListDelegate.h"
#include "app/services/WindowHandle.h"
#include "core/KorvexGlobal.h"
#include "protolens/include/MessageWindow.h"
#include "xtp/XTPUiServices.h"

namespace korvex {

CSearchListModel::CSearchListModel(CSearchListCtrl& list)
    : QAbstractTableModel(&list), list(list) {}

int CSearchListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows;
}

int CSearchListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(captions.size());
}

QVariant CSearchListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    std::string text;
    if (!list.CellText(index.row(), index.column(), text)) return {};
    return QString::fromStdString(text);
}

QVariant CSearchListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(captions.size()))
        return {};
    return QString::fromStdString(captions[static_cast<std::size_t>(section)]);
}

void CSearchListModel::SyncRows(bool reset) {
    const int count = list.Results().ItemCount();
    if (!reset && count > rows) {
        beginInsertRows({}, rows, count - 1);
        rows = count;
        endInsertRows();
    } else if (reset || count != rows) {
        beginResetModel();
        rows = count;
        endResetModel();
    }
}

void CSearchListModel::SetCaptions(std::vector<std::string> newCaptions) {
    beginResetModel();
    captions = std::move(newCaptions);
    endResetModel();
}

CSearchListCtrl::CSearchListCtrl(CKorvexGlobal& global, CKorvexList& frameList, QWidget* parent)
    : CFlatTableView(parent),
      global(global),
      frameList(frameList),
      model(new CSearchListModel(*this)) {
    setModel(model);
    // The remark texts are drawn on one line, as in the frame list.
    setItemDelegate(new CKorvexListDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setRowHeight(fontMetrics().height() + 4);
    horizontalHeader()->setStretchLastSection(true);
    TakeCaptions();
    // The plug-in renames and rebuilds the frame list's columns on a language
    // change; the hits follow it.
    const QAbstractItemModel* frames = frameList.CFlatTableView::model();
    const auto follow = [this] { TakeCaptions(); };
    connect(frames, &QAbstractItemModel::headerDataChanged, this, follow);
    connect(frames, &QAbstractItemModel::columnsInserted, this, follow);
    connect(frames, &QAbstractItemModel::columnsRemoved, this, follow);
}

void CSearchListCtrl::TakeCaptions() {
    std::vector<std::string> captions;
    std::vector<int> widths;
    itemIndices.clear();
    for (const FrameListColumn& c : FrameListColumns(frameList)) {
        captions.push_back(c.caption);
        itemIndices.push_back(c.itemIndex);
        widths.push_back(c.width);
    }
    model->SetCaptions(std::move(captions));
    model->SyncRows(true);
    for (std::size_t c = 0; c < widths.size(); ++c)
        if (widths[c] > 0) setColumnWidth(static_cast<int>(c), widths[c]);
}

bool CSearchListCtrl::CellText(int row, int column, std::string& text) const {
    if (column < 0 || column >= static_cast<int>(itemIndices.size())) return false;
    return results.CellText(row, itemIndices[static_cast<std::size_t>(column)],
                            frameList.CellContext().rowText, text);
}

void CSearchListCtrl::PostStatusText(int count) {
    statusText = SearchStatusText(count);
    if (IMessageWindow* window = messageWindow ? messageWindow() : nullptr)
        window->PostMessage(kMsgSearchStatus, reinterpret_cast<std::uintptr_t>(statusText.c_str()),
                            0);
}

void CSearchListCtrl::OnCommand(std::uint32_t id) {
    if (id == kCmdClear) ClearResults();
    if (id == kCmdExport) ExportToFile();
}

void CSearchListCtrl::ClearResults() {
    results.Clear();
    model->SyncRows(true);
    PostStatusText(0);
}

void CSearchListCtrl::ExportToFile() {
    XTPFileDialogRequest request;
    request.defaultExt = "txt";
    request.filter = "Text File|*.txt||";
    request.flags = xtp_ofn::kOverwritePrompt | xtp_ofn::kHideReadOnly;
    std::string path;
    if (!XTPUiServices().SaveFileDialog(ToCWnd(this), request, path)) return;
    FileWriteProblem problem;
    if (!WriteExport(path, problem))
        global.ShowMessage(ToCWnd(this), WriteFailureText(path, problem), name_share::kMsgError, 0);
}

bool CSearchListCtrl::WriteExport(const std::string& path, FileWriteProblem& problem) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        problem.Set(false);
        return false;
    }
    std::vector<std::string> captions;
    for (int c = 0; c < model->columnCount(); ++c)
        captions.push_back(
            model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString());
    bool written = true;
    results.WriteExport(captions, itemIndices, frameList.CellContext().rowText,
                        [&](const std::string& line) {
                            written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
                            return written;
                        });
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    problem.Set(true);
    return false;
}

void CSearchListCtrl::contextMenuEvent(QContextMenuEvent* event) {
    OnCommand(global.PopupMenu(kContextMenu, kSubMenuResults, ToCWnd(this)));
    event->accept();
}

void CSearchListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    CFlatTableView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid() || !frameWindow) return;
    const std::int32_t source = results.Source(index.row());
    if (source >= 0)
        frameWindow->PostMessage(kMsgGotoFrame, static_cast<std::uintptr_t>(source), 0);
}

}  // namespace korvex
