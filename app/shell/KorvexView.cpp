#include "app/shell/KorvexView.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QTimer>
#include <QTimerEvent>
#include <chrono>

#include "app/common/rules/NumberedFormat.h"
#include "app/framelist/rules/ClearList.h"
#include "app/services/WindowHandle.h"
#include "app/shell/ChildFrame.h"
#include "app/shell/FileLoadPump.h"
#include "app/shell/KorvexProDoc.h"
#include "app/shell/MainFrame.h"
#include "app/shell/ProgressDlg.h"
#include "app/shell/RecorderAccess.h"
#include "app/shell/rules/ShellIds.h"
#include "app/shell/rules/UploadProgress.h"
#include "core/DataFileReader.h"
#include "core/KorvexGlobal.h"
#include "logport/include/logport.h"
#include "xtp/XTPResourceManager.h"
#include "xtp/XTPUiServices.h"

namespace korvex::shell {
namespace {

constexpr int kShowListCmd = 5;  // show the window
// How often the start of an upload looks for the recorder's count while it
// keeps the window responsive.
constexpr int kCountPollMs = 20;
// How often the end of an upload repeats its cancel while the worker runs.
constexpr int kCancelRepeatMs = 10;

// Forwards the worker's reports to the main window's thread. Posting never
// waits, so the worker cannot block on a window that is busy.
class CQueuedUploadReport final : public IUploadReport {
  public:
    CQueuedUploadReport(CMainFrame* frame, CKorvexGlobal& global) : frame(frame), global(global) {}

    void ShowMessage(std::uint32_t stringId, std::uint32_t type) override {
        QMetaObject::invokeMethod(
            frame, [f = frame, stringId, type] { f->ShowMessageBox(stringId, type); },
            Qt::QueuedConnection);
    }
    void ShowRecorderProblem(std::uint32_t stringId, const device::RecorderProblem& problem,
                             std::uint32_t type) override {
        QMetaObject::invokeMethod(
            frame,
            [f = frame, stringId, problem, type] {
                f->ShowMessageBox(
                    XTPLoadString(stringId) + "\n" + device::RecorderProblemText(problem), type);
            },
            Qt::QueuedConnection);
    }
    void ShowStatus(const std::string& text) override {
        QMetaObject::invokeMethod(
            frame, [f = frame, text] { f->ShowFrameStatus(text); }, Qt::QueuedConnection);
    }
    void ShowCancelled(int kept) override {
        QMetaObject::invokeMethod(
            frame,
            [f = frame, kept] {
                f->ShowMessageBox(FormatString(res::kStrUploadCancelled, kept),
                                  xtp_mb::kIconInformation);
            },
            Qt::QueuedConnection);
    }
    void SetWaitCursor(bool on) override {
        QMetaObject::invokeMethod(
            qApp,
            [on] {
                if (on)
                    QApplication::setOverrideCursor(Qt::WaitCursor);
                else
                    QApplication::restoreOverrideCursor();
            },
            Qt::QueuedConnection);
    }
    void RebuildClockList(std::vector<_VCI_CAN_OBJ> records) override {
        QMetaObject::invokeMethod(
            frame,
            [g = &global, records = std::move(records)] {
                g->RebuildOrigTimeList(records.data(), static_cast<int>(records.size()));
            },
            Qt::QueuedConnection);
    }

  private:
    CMainFrame* frame;
    CKorvexGlobal& global;
};

XTPFileDialogRequest DataFileDialog() {
    XTPFileDialogRequest request;
    request.defaultExt = "can";
    request.flags = xtp_ofn::kHideReadOnly | xtp_ofn::kOverwritePrompt;
    request.filter = "CAN data file(*.can)|*.can||";
    return request;
}

}  // namespace

CKorvexView::CKorvexView(CKorvexGlobal& global, CKorvexProDoc& document, CChildFrame& frame,
                         QWidget* parent)
    : QWidget(parent),
      global(global),
      document(document),
      frame(frame),
      progress(new CProgressDlg(this)) {
    setObjectName(QStringLiteral("KorvexView"));
}

CKorvexView::~CKorvexView() {
    EndUpload();
}

void CKorvexView::CancelUpload() {
    if (upload.loading.load() == 0) return;
    upload.cancelled.store(true);
    LGP_CancelLoad();
    // The start of the upload stops waiting for the count, as when the
    // progress dialog is closed.
    upload.loading.store(0);
}

void CKorvexView::EndUpload() {
    if (!worker.joinable()) return;
    // The library forgets a cancel that comes before its upload has begun, so
    // it is asked again until the worker has gone: a worker still uploading
    // ends with its current exchange.
    while (upload.workerRunning.load()) {
        LGP_CancelLoad();
        std::this_thread::sleep_for(std::chrono::milliseconds(kCancelRepeatMs));
    }
    worker.join();
}

CMainFrame* CKorvexView::MainFrame() const {
    return qobject_cast<CMainFrame*>(window());
}

CDataShowBase* CKorvexView::FirstList() const {
    std::vector<CDataShowBase*>& sinks = global.CurrentSinks();
    return sinks.empty() ? nullptr : sinks.front();
}

void CKorvexView::OnInitialUpdate() {
    initialUpdateDone = true;
    CDataShowBase* list = FirstList();
    if (!list) return;
    list->SetListParent(ToCWnd(this));
    list->MoveList(0, 0, width(), height());
    list->ShowList(kShowListCmd);
}

void CKorvexView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!initialUpdateDone) OnInitialUpdate();
}

void CKorvexView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    CDataShowBase* list = FirstList();
    if (list && list->GetListParent() == ToCWnd(this)) list->MoveList(0, 0, width(), height());
}

bool CKorvexView::HasCommand(std::uint32_t id) const {
    switch (id) {
        case cmd::kImportData:
        case cmd::kExportData:
        case cmd::kClearList:
        case cmd::kUpload:
            return true;
        default:
            return handlers.count(id) != 0;
    }
}

void CKorvexView::SetCommandHandler(std::uint32_t id, CommandHandler handler) {
    handlers[id] = std::move(handler);
}

bool CKorvexView::OnCommand(std::uint32_t id) {
    switch (id) {
        case cmd::kImportData:
            OnImportData();
            return true;
        case cmd::kExportData:
            OnExportData();
            return true;
        case cmd::kClearList:
            OnClearList();
            return true;
        case cmd::kUpload:
            OnUpload();
            return true;
        default:
            break;
    }
    const auto handler = handlers.find(id);
    if (handler == handlers.end() || !handler->second) return false;
    handler->second(*this);
    return true;
}

void CKorvexView::OnImportData() {
    std::string path;
    if (!XTPUiServices().OpenFileDialog(ToCWnd(this), DataFileDialog(), path)) return;
    ImportDataFile(path);
}

void CKorvexView::ImportDataFile(const std::string& path) {
    if (CFileLoadPump::Busy()) return;
    CMainFrame* main = MainFrame();
    if (main) main->NoteRecentFile(path);
    const std::string label = XTPLoadString(res::kStrFrameTotal);
    const auto show = [main](const std::string& text) {
        if (main) main->ShowFrameStatus(text);
    };
    CFileLoadPump pump(global,
                       [&show, &label](long long count) { show(FrameCountText(label, count)); });
    ReadSnapshotFile(path, global, show, label, pump.Split());
    pump.Finish();
}

void CKorvexView::OnExportData() {
    if (CDataShowBase* list = FirstList()) list->ExportToFile();
}

void CKorvexView::OnClearList() {
    const std::string status = framelist::ClearCurrentList(global);
    if (CMainFrame* main = MainFrame()) main->ShowFrameStatus(status);
}

void CKorvexView::OnUpload() {
    CMainFrame* main = MainFrame();
    if (!main) return;
    // One upload at a time: the command can arrive again while this one waits
    // for the count with the window responsive, or while its worker finishes.
    if (upload.workerRunning.load() && upload.loading.load() == 0 && !progress->isVisible()) {
        // A cancelled upload's worker ends with its current exchange; its
        // report then comes alone rather than under a busy box.
        EndUpload();
        return;
    }
    if (upload.workerRunning.load() || progress->isVisible()) {
        SayRecorderBusy();
        return;
    }
    {
        // Another document's upload may hold the recorder.
        std::unique_lock<std::mutex> device = TakeRecorder();
        if (!device.owns_lock()) return;
    }
    if (worker.joinable()) worker.join();

    // The flags are raised before the worker starts, so a worker that fails at
    // once cannot clear them before they were set.
    upload.loadStarted.store(false);
    upload.cancelled.store(false);
    upload.loading.store(1);
    upload.workerRunning.store(true);
    worker = std::thread([this, main, label = XTPLoadString(res::kStrFrameTotal)] {
        CQueuedUploadReport report(main, global);
        RunUploadWorker(global, upload, report, label);
        upload.workerRunning.store(false);
    });

    // Count known, then the dialog. The wait keeps the window responsive.
    while (upload.loading.load() == 1 &&
           !(upload.loadStarted.load() && LGP_GetAllLoadCount() != 0)) {
        QEventLoop wait;
        QTimer::singleShot(kCountPollMs, &wait, &QEventLoop::quit);
        wait.exec();
    }
    if (upload.loading.load() != 1) return;

    progress->SetRange(0, kProgressMaximum);
    tick = 0;
    StopProgressTimer();
    progressTimer = startTimer(timer::kUploadProgressMs);
    progress->exec();
    // Whatever closed the dialog, the upload ends here for this thread.
    CancelUpload();
}

void CKorvexView::StopProgressTimer() {
    if (progressTimer) killTimer(progressTimer);
    progressTimer = 0;
}

void CKorvexView::timerEvent(QTimerEvent* event) {
    if (event->timerId() != progressTimer) return QWidget::timerEvent(event);
    const bool loading = upload.loading.load() != 0;
    if (loading)
        progress->SetCountText(
            QString::fromStdString(UploadCountText(LGP_GetCurLoadCount(), LGP_GetAllLoadCount())));
    const ProgressStep step = AdvanceUploadProgress(tick, loading);
    if (progress->isVisible()) {
        progress->SetPos(step.position);
        progress->SetWorkingText(QString::fromStdString(XTPLoadString(res::kStrWorking)));
    }
    if (step.finished) StopProgressTimer();
}

}  // namespace korvex::shell
