#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "app/framelist/KorvexList.h"
#include "app/shell/MainFrame.h"

class CKorvexGlobal;

namespace korvex {
class CQtUiServices;
}

namespace korvex::shell {

class CChildFrame;
class CKorvexProDoc;
class CQuitSignals;

// The program's windows and their life: builds them in the start-up order and
// takes them down in the order that loses nothing. The application object
// runs one; a test runs one under its own QApplication. The global state is
// built before it (ProgramGlobal()) and written after it is gone.
class CKorvexShell : public QObject {
    Q_OBJECT

  public:
    // `desktopServices`: install the Qt message boxes and file dialogs (the
    // program); a test leaves its own services installed.
    explicit CKorvexShell(CKorvexGlobal& global, bool desktopServices = true,
                          QObject* parent = nullptr);
    ~CKorvexShell() override;

    // Start-up: services, main frame (with its probe), frame list, the one
    // document "Korvex0", channel, language. False when it cannot start.
    bool InitInstance();
    // Closes the windows (saving the layout), then the resource manager.
    int ExitInstance();

    // Ends the program the orderly way: a running upload is cancelled, open
    // pop-up menus and modal boxes are closed and the main window closes,
    // which ends the event loop. Used for SIGTERM, SIGINT and the session
    // manager's quit; Exit and the close box close the main window, which
    // does the same. Before the event loop runs (a start-up box is open) the
    // program then starts no further and Quitting() tells its caller.
    void RequestQuit();
    bool Quitting() const { return quitting; }

    // Opens a new document with `index` and its child frame; null when the
    // document refuses.
    CKorvexProDoc* OpenNewDocument(int index);
    // Framework Open: a stream data file into a new document.
    void OnFileOpen();
    // Files dropped on the main window or chosen from its recent files: a
    // stream data file goes into the current frame list as 从文件导入数据 reads
    // it, any other as 导入其他格式 does; a file that is gone leaves the
    // recent files with a message.
    void OpenFiles(const QStringList& paths);
    // Applies language `index` (40000 + index); nothing changes for an index
    // outside the language list.
    bool ApplyLanguageIndex(int index);

    CMainFrame* MainFrame() const { return mainFrame; }
    CKorvexList* FrameList() const { return frameList; }
    const std::vector<CKorvexProDoc*>& Documents() const { return documents; }

  signals:
    // The program is ending; whoever runs the event loop ends it.
    void quitRequested();

  private:
    void OnApplicationCommand(quint32 id);
    // The part of quitting that does not depend on how it was asked for.
    void BeginQuit();
    void CreateFrameList();

    CKorvexGlobal& global;
    std::unique_ptr<CQtUiServices> services;
    QPointer<CMainFrame> mainFrame;
    QPointer<CKorvexList> frameList;
    std::vector<CKorvexProDoc*> documents;
    CQuitSignals* quitSignals = nullptr;
    bool desktopServices;
    bool quitting = false;
    bool exited = false;
};

}  // namespace korvex::shell
