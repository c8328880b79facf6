#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <thread>

#include "app/shell/rules/UploadWorker.h"

class CKorvexGlobal;
class CDataShowBase;

namespace korvex::shell {

class CChildFrame;
class CKorvexProDoc;
class CMainFrame;
class CProgressDlg;

// The view of a document: it hosts the one frame list and runs the view's
// commands, the upload among them.
class CKorvexView : public QWidget {
    Q_OBJECT

  public:
    using CommandHandler = std::function<void(CKorvexView&)>;

    CKorvexView(CKorvexGlobal& global, CKorvexProDoc& document, CChildFrame& frame,
                QWidget* parent);
    ~CKorvexView() override;

    CKorvexProDoc& Document() const { return document; }
    CChildFrame& Frame() const { return frame; }
    CKorvexGlobal& Global() const { return global; }
    // The main window that holds this view, or null before it is placed.
    CMainFrame* MainFrame() const;

    // Re-parents the frame list into this view, sizes it to the view and shows it.
    void OnInitialUpdate();

    // Runs view command `id`; false when the view has no handler for it.
    bool OnCommand(std::uint32_t id);
    bool HasCommand(std::uint32_t id) const;
    // Handlers of the commands whose windows live elsewhere (device dialogs,
    // alias names): installed once per view, see ShellExtensions.h.
    void SetCommandHandler(std::uint32_t id, CommandHandler handler);

    // The commands of the view itself.
    void OnImportData();
    void OnExportData();
    void OnClearList();
    // Reads stream data file `path` into the frame list, as 从文件导入数据
    // does once its dialog has given the path.
    void ImportDataFile(const std::string& path);
    void OnUpload();

    // Asks a running upload to stop, as closing its progress dialog does; a
    // start of an upload that waits for the recorder's count returns.
    void CancelUpload();
    // Cancels the upload, if one runs, and waits until its worker has gone
    // (its current exchange at most).
    void EndUpload();

    // The upload's state, shared with its worker.
    const CUploadState& UploadState() const { return upload; }
    CProgressDlg& ProgressDialog() const { return *progress; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    CDataShowBase* FirstList() const;
    void StopProgressTimer();

    CKorvexGlobal& global;
    CKorvexProDoc& document;
    CChildFrame& frame;
    std::map<std::uint32_t, CommandHandler> handlers;
    bool initialUpdateDone = false;

    CUploadState upload;
    std::thread worker;  // the last upload's worker
    std::uint32_t tick = 0;
    int progressTimer = 0;
    CProgressDlg* progress;
};

}  // namespace korvex::shell
