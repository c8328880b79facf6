#include "app/framelist/KorvexList.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdarg>
#include <filesystem>

#include "app/common/rules/WriteFailureText.h"
#include "app/framelist/KorvexListDelegate.h"
#include "app/framelist/KorvexListModel.h"
#include "app/framelist/rules/ClearList.h"
#include "app/framelist/rules/KorvexListCommands.h"
#include "app/services/WindowHandle.h"
#include "core/DataFileWriter.h"
#include "core/FrameRowText.h"
#include "core/KorvexGlobal.h"
#include "protolens/include/MessageWindow.h"
#include "protolens/include/protolens.h"
#include "share/GenGlobal.h"
#include "xtp/XTPResourceManager.h"
#include "xtp/XTPUiServices.h"

namespace fl = korvex::framelist;

namespace {

constexpr int kRemoveAllColumns = 22;
constexpr int kRebuildRecord = 23;
constexpr int kIsRealTimeSaving = 24;

XTPFileDialogRequest SaveRequest() {
    XTPFileDialogRequest request;
    request.defaultExt = fl::kSaveDefaultExt;
    request.flags = xtp_ofn::kHideReadOnly | xtp_ofn::kOverwritePrompt;
    request.filter = fl::kSaveFilter;
    return request;
}

// Sets the check mark of every item of `items` (and of their submenus) whose
// command is `id`.
void Check(std::vector<XTPMenuItem>& items, std::uint32_t id, bool checked) {
    for (XTPMenuItem& item : items) {
        if (item.IsPopup()) {
            Check(item.popup, id, checked);
        } else if (item.id == id) {
            item.checked = checked;
        }
    }
}

}  // namespace

CKorvexList::CKorvexList(CKorvexGlobal& global, QWidget* parent)
    : CFlatTableView(parent),
      global(global),
      listModel(new CKorvexListModel(*this)),
      rtSyncTimer(new QTimer(this)) {
    setModel(listModel);
    setItemDelegate(new CKorvexListDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::StrongFocus);
    // Millions of rows: one fixed height and nothing kept per row.
    setRowHeight(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The last runs of a real-time save reach the disk once frames stop coming.
    rtSyncTimer->setInterval(static_cast<int>(CRealTimeSave::kSyncInterval.count()));
    connect(rtSyncTimer, &QTimer::timeout, this, [this] { rtSave.SyncIfDue(); });
    // A failed write ends the save on whichever thread wrote; the user hears
    // of it once, from the window's thread, after the run at hand.
    rtSave.SetFailureHandler([this](const std::string& path, int error) {
        QMetaObject::invokeMethod(
            this, [this, path, error] { OnRealTimeSaveFailed(path, error); }, Qt::QueuedConnection);
    });
}

CKorvexList::~CKorvexList() {
    rtSave.Stop();
}

template <typename Work>
void CKorvexList::OnWindowThread(Work work) {
    if (QThread::currentThread() == thread()) {
        work();
    } else {
        QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
    }
}

CKorvexListRecord& CKorvexList::Record() {
    if (CKorvexListRecord* existing = record.load(std::memory_order_acquire)) return *existing;
    std::lock_guard<std::mutex> guard(recordLock);
    if (CKorvexListRecord* existing = record.load(std::memory_order_relaxed)) return *existing;
    ownedRecord =
        std::make_unique<CKorvexListRecord>(columnCount.load(), createParam1, createParam2);
    // A new record shows as many rows as the state's current frame count.
    const int rows = std::max(global.iRecordLength, 0);
    ownedRecord->frameStore.Reset(rows);
    capacity.store(rows);
    record.store(ownedRecord.get(), std::memory_order_release);
    OnWindowThread([this] {
        listModel->SetRowCount(capacity.load());
        FitRowNumberColumn();
    });
    return *ownedRecord;
}

CKorvexListCellContext CKorvexList::CellContext() {
    CKorvexListCellContext context;
    context.rowText = global.ExportContext(&AnalyCANFrame, &AnalyPartofCANFrame);
    context.isOBJKeyEqual = &IsOBJKeyEqual;
    return context;
}

void CKorvexList::SetBackColor(int, COLORREF color) {
    Record().backColor = color;
}

void CKorvexList::SetColumnTextColor(int column, int, COLORREF color) {
    Record().SetColumnColor(column, color);
}

void CKorvexList::AddColorRule(const OBJKEY* key, COLORREF color) {
    CKorvexListRecord& r = Record();
    if (key != nullptr) r.AddColorRule(*key, color);
}

void CKorvexList::ClearColorRules() {
    if (CKorvexListRecord* r = record.load(std::memory_order_acquire)) r->ClearColorRules();
}

int CKorvexList::InsertColumn(int index, const char* caption, int width, int) {
    listModel->AppendColumn({index, caption != nullptr ? caption : "", width});
    const int column = static_cast<int>(listModel->Columns().size()) - 1;
    horizontalHeader()->resizeSection(column, std::max(width, 0));
    columnCount.store(column + 1);
    fittedRowWidth = -1;
    FitRowNumberColumn();
    FitWordColumn(column);
    return 1;
}

int CKorvexList::ListCommand(int code, ...) {
    switch (code) {
        case kRemoveAllColumns:
            listModel->RemoveAllColumns();
            columnCount.store(0);
            return 0;
        case kRebuildRecord:
            if (CKorvexListRecord* r = record.load(std::memory_order_acquire))
                r->Rebuild(columnCount.load());
            Redraw();
            return 0;
        case kIsRealTimeSaving:
            return IsRealTimeSaving();
        default:
            return 0;
    }
}

void CKorvexList::Redraw() {
    OnWindowThread([this] {
        viewport()->update();
        emit redrawn();
    });
}

void CKorvexList::SetColumnCaption(int column, const char* caption) {
    // Fitted first: the lists that follow this one take the width with the caption.
    FitWordColumn(column);
    listModel->SetCaption(column, caption != nullptr ? caption : "");
}

void CKorvexList::AddFrames(_VCI_CAN_OBJ* frames, int count, int received) {
    if (frames == nullptr || count <= 0) return;
    korvex::MarkTransmitted(frames, count, received);
    Record().frameStore.PushRun(frames, count);
    if (rtSave.IsActive() != 0) {
        rtSave.Write(frames, count, global.ExportContext(&AnalyCANFrame, &AnalyPartofCANFrame));
    }
    newFrames.store(1);
}

std::vector<std::pair<int, int>> CKorvexList::SelectedRowRanges() const {
    std::vector<std::pair<int, int>> ranges;
    if (selectionModel() == nullptr) return ranges;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        ranges.emplace_back(range.top(), range.bottom() + 1);
    std::sort(ranges.begin(), ranges.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto& range : ranges) {
        if (!merged.empty() && range.first <= merged.back().second) {
            merged.back().second = std::max(merged.back().second, range.second);
        } else {
            merged.push_back(range);
        }
    }
    return merged;
}

void CKorvexList::GetSelectedFrames(std::vector<_VCI_CAN_OBJ>& out) {
    CKorvexListRecord& r = Record();
    const int stored = r.frameStore.GetCount();
    _VCI_CAN_OBJ frame;
    for (const auto& [first, end] : SelectedRowRanges()) {
        for (int row = first; row < end; ++row) {
            if (row >= stored || !r.frameStore.Get(row, &frame)) return;
            out.push_back(frame);
        }
    }
}

int CKorvexList::SelectRow(int row) {
    clearSelection();
    const QModelIndex index = listModel->index(row, 0);
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Redraw();
    scrollTo(index);
    return 1;
}

void CKorvexList::SelectRowAndShow(int row) {
    if (row < 0 || row >= listModel->rowCount()) return;
    const QModelIndex index = listModel->index(row, 0);
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

int CKorvexList::GetSelectedCount() {
    int count = 0;
    for (const auto& [first, end] : SelectedRowRanges()) count += end - first;
    return count;
}

void CKorvexList::CopySelectedRows() {
    CKorvexListRecord& r = Record();
    const korvex::ExportRowContext context =
        global.ExportContext(&AnalyCANFrame, &AnalyPartofCANFrame);
    const int stored = r.frameStore.GetCount();
    std::string text;
    _VCI_CAN_OBJ frame;
    bool done = false;
    for (const auto& [first, end] : SelectedRowRanges()) {
        for (int row = first; row < end && !done; ++row) {
            done = row >= stored || !r.frameStore.Get(row, &frame);
            if (!done) korvex::AppendCopyLine(text, row, frame, context);
        }
        if (done) break;
    }
    XTPUiServices().SetClipboardText(text);
}

std::vector<std::string> CKorvexList::Captions() const {
    std::vector<std::string> captions;
    for (const CKorvexListColum& column : listModel->Columns()) captions.push_back(column.caption);
    return captions;
}

void CKorvexList::ExportToFile() {
    std::string path;
    if (!XTPUiServices().SaveFileDialog(korvex::ToCWnd(this), SaveRequest(), path)) return;
    CKorvexListRecord& r = Record();
    korvex::FileWriteProblem problem;
    const bool written =
        korvex::IsBinaryDataFileName(path)
            ? korvex::WriteSnapshotFile(path, global.origTimeList, r.frameStore, &problem)
            : korvex::WriteTextExportFile(
                  path, Captions(), r.frameStore,
                  global.ExportContext(&AnalyCANFrame, &AnalyPartofCANFrame), {}, &problem);
    if (!written) {
        global.ShowMessage(korvex::ToCWnd(this), korvex::WriteFailureText(path, problem),
                           name_share::kMsgError, 0);
        return;
    }
    if (messageWindow)
        messageWindow->PostMessage(fl::kMsgFileWritten,
                                   reinterpret_cast<std::uintptr_t>(path.c_str()), 0);
}

void CKorvexList::ToggleRealTimeSave() {
    if (rtSave.IsActive() != 0) {
        EndRealTimeSave();
        return;
    }
    std::string path;
    if (!XTPUiServices().SaveFileDialog(korvex::ToCWnd(this), SaveRequest(), path)) return;
    errno = 0;
    if (!rtSave.Start(path, Captions())) {
        korvex::FileWriteProblem problem;
        problem.Set(false);
        global.ShowMessage(korvex::ToCWnd(this), korvex::WriteFailureText(path, problem),
                           name_share::kMsgError, 0);
        return;
    }
    rtSyncTimer->start();
    if (messageWindow)
        messageWindow->PostMessage(fl::kMsgFileWritten,
                                   reinterpret_cast<std::uintptr_t>(path.c_str()), 0);
}

void CKorvexList::EndRealTimeSave() {
    rtSyncTimer->stop();
    rtSave.Stop();
}

void CKorvexList::OnRealTimeSaveFailed(const std::string& path, int error) {
    rtSyncTimer->stop();
    korvex::FileWriteProblem problem;
    problem.created = true;
    problem.error = error;
    global.ShowMessage(
        korvex::ToCWnd(this),
        XTPLoadString(fl::kStrRealTimeSaveStopped) + "\n" + korvex::WriteFailureText(path, problem),
        name_share::kMsgError, 0);
}

void CKorvexList::ClearList() {
    Record().frameStore.Clear();
    Redraw();
}

void CKorvexList::SetCapacity(int count) {
    CKorvexListRecord& r = Record();
    r.frameStore.Reset(count);
    capacity.store(std::max(count, 0));
    OnWindowThread([this] {
        listModel->SetRowCount(capacity.load());
        FitRowNumberColumn();
    });
}

void CKorvexList::FitRowNumberColumn() {
    const std::vector<CKorvexListColum>& columns = listModel->Columns();
    const auto row = std::find_if(columns.begin(), columns.end(), [](const CKorvexListColum& c) {
        return c.itemIndex == korvex::kColumnRow;
    });
    if (row == columns.end()) return;
    const int column = static_cast<int>(row - columns.begin());
    const int current = horizontalHeader()->sectionSize(column);
    if (fittedRowWidth >= 0 && current != fittedRowWidth) return;
    int digit = 0;
    for (char c = '0'; c <= '9'; ++c)
        digit = std::max(digit, fontMetrics().horizontalAdvance(QLatin1Char(c)));
    const int needed = korvex::RowNumberDigits(capacity.load()) * digit + TextMargins() + 2;
    fittedRowWidth = std::max(row->width, needed);
    horizontalHeader()->resizeSection(column, fittedRowWidth);
}

void CKorvexList::FitWordColumn(int column) {
    const std::vector<CKorvexListColum>& columns = listModel->Columns();
    if (column < 0 || static_cast<std::size_t>(column) >= columns.size()) return;
    const int item = columns[static_cast<std::size_t>(column)].itemIndex;
    if (item != korvex::kColumnFormat && item != korvex::kColumnType) return;
    const korvex::ExportRowContext context = CellContext().rowText;
    int widest = 0;
    std::string word;
    for (const std::uint8_t flag : {0, 1}) {
        _VCI_CAN_OBJ frame{};
        (item == korvex::kColumnFormat ? frame.RemoteFlag : frame.ExternFlag) = flag;
        korvex::FormatCellText(0, frame, item, context, word);
        widest = std::max(widest, fontMetrics().horizontalAdvance(QString::fromStdString(word)));
    }
    const int needed = widest + TextMargins() + 2;
    if (columns[static_cast<std::size_t>(column)].width < needed)
        listModel->SetWidth(column, needed);
    if (horizontalHeader()->sectionSize(column) < needed)
        horizontalHeader()->resizeSection(column, needed);
}

int CKorvexList::TextMargins() const {
    // As the style lays out an item's text.
    return 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
}

void CKorvexList::RefreshAndScroll(int scroll) {
    CKorvexListRecord& r = Record();
    const int stored = r.frameStore.GetCount();
    if (isVisible() && stored > 0 && newFrames.load() == 1) Redraw();
    if (scroll != 0) {
        newFrames.store(0);
        if (stored > 0) scrollTo(listModel->index(std::min(stored, listModel->rowCount()) - 1, 0));
    }
}

BOOL CKorvexList::CreateList(unsigned int id, std::uint32_t param1, std::uint32_t param2,
                             CWnd* parent) {
    if (parent == nullptr) return 0;
    setParent(korvex::ToWidget(parent));
    controlId = id;
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    createParam1 = param1;
    createParam2 = param2;
    return 1;
}

BOOL CKorvexList::ShowList(int cmd) {
    const bool wasVisible = isVisible();
    setVisible(cmd != 0);
    return wasVisible ? 1 : 0;
}

CWnd* CKorvexList::SetListParent(CWnd* parent) {
    CWnd* previous = korvex::ToCWnd(parentWidget());
    const bool wasVisible = isVisible();
    setParent(korvex::ToWidget(parent));
    if (wasVisible) show();
    return previous;
}

CWnd* CKorvexList::GetListParent() {
    return korvex::ToCWnd(parentWidget());
}

void CKorvexList::MoveList(int x, int y, int cx, int cy) {
    setGeometry(x, y, cx, cy);
    update();
}

void CKorvexList::PostStatusText(const std::string& text) {
    statusText = text;
    if (messageWindow != nullptr)
        messageWindow->PostMessage(fl::kMsgStatusText,
                                   reinterpret_cast<std::uintptr_t>(statusText.c_str()), 0);
}

void CKorvexList::SetTimeShowType(std::uint8_t type) {
    if (global.TimeShowType == type) return;
    global.TimeShowType = type;
    std::vector<CDataShowBase*>& sinks = global.CurrentSinks();
    if (!sinks.empty()) sinks.front()->Redraw();
}

void CKorvexList::OnCommand(std::uint32_t id) {
    std::vector<CDataShowBase*>& sinks = global.CurrentSinks();
    switch (id) {
        case fl::kCmdClear:
            PostStatusText(fl::ClearCurrentList(global));
            break;
        case fl::kCmdExport:
            if (!sinks.empty()) sinks.front()->ExportToFile();
            break;
        case fl::kCmdClockTime:
            SetTimeShowType(0);
            break;
        case fl::kCmdRelativeTime:
            SetTimeShowType(1);
            break;
        case fl::kCmdRealTimeSave:
            ToggleRealTimeSave();
            break;
        case fl::kCmdSearch:
            emit searchRequested();
            break;
        case fl::kCmdClassify:
            emit classifyRequested();
            break;
        case fl::kCmdBits: {
            _VCI_CAN_OBJ f{};
            if (currentIndex().isValid() && Record().frameStore.Get(currentIndex().row(), &f) &&
                korvex::EventCode(f) == 0)
                emit bitsRequested(f.ID, f.ExternFlag != 0);
            break;
        }
        default:
            break;
    }
}

void CKorvexList::ShowContextMenu() {
    XTPMenu menu;
    if (!XTPResourceManager()->LoadMenu(fl::kMenuContext, menu) ||
        menu.items.size() <= static_cast<std::size_t>(fl::kSubMenuFrameList))
        return;
    XTPMenuItem popup = menu.items[static_cast<std::size_t>(fl::kSubMenuFrameList)];
    Check(popup.popup, fl::kCmdClockTime, global.TimeShowType == 0);
    Check(popup.popup, fl::kCmdRelativeTime, global.TimeShowType == 1);
    Check(popup.popup, fl::kCmdRealTimeSave, IsRealTimeSaving() == 1);
    OnCommand(XTPUiServices().TrackPopupMenu(popup, korvex::ToCWnd(this)));
}

void CKorvexList::mouseReleaseEvent(QMouseEvent* event) {
    CFlatTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton) ShowContextMenu();
}

void CKorvexList::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's menu comes on the button's release; the keyboard's here.
    if (event->reason() == QContextMenuEvent::Keyboard) ShowContextMenu();
    event->accept();
}

void CKorvexList::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        CopySelectedRows();
        event->accept();
        return;
    }
    CFlatTableView::keyPressEvent(event);
}
