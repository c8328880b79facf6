#pragma once

#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/device/rules/RecorderAccess.h"
#include "app/shell/KorvexProDoc.h"
#include "app/shell/rules/CommandTable.h"
#include "protolens/include/MessageWindow.h"

class CKorvexGlobal;
class QLabel;
class QMdiArea;

namespace korvex::shell {

class CChildFrame;
class CCommandBars;

// The main window: menu bar, "Standard" toolbar, status bar with the message
// pane and panes 1 and 2, and the tabbed MDI area that holds the child
// frames. It is the window the plug-in and the frame list post to; a post
// from another thread is queued to the user-interface thread.
class CMainFrame : public QMainWindow, public IMessageWindow, public IStatusSink {
    Q_OBJECT

  public:
    explicit CMainFrame(CKorvexGlobal& global, QWidget* parent = nullptr);
    CKorvexGlobal& Global() const { return global; }
    ~CMainFrame() override;

    // Status bar, command bars, saved layout, MDI tabs, then the start-up
    // probe of the recorder. False when the window cannot be built.
    bool OnCreate();

    // 0x469 → pane 2, 0x46A → pane 1 (wParam: const char*, copied at once),
    // 0x4A0 → rebuild for language wParam, 0x4D1 → a file was written
    // (wParam: its path, copied at once).
    void PostMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override;
    void ShowFrameStatus(const std::string& text) override;
    // The text of status pane 0 (message), 1 or 2.
    QString PaneText(int pane) const;

    // Notes a file opened or saved at the top of the File menu's recent
    // files (kept in the program's settings across runs).
    void NoteRecentFile(const std::string& path);
    const std::vector<std::string>& RecentFiles() const { return recentFiles; }
    // Takes a file that is gone out of the list and says so.
    void ForgetMissingFile(const std::string& path);

    // A message box with string `stringId`, owned by this window.
    void ShowMessageBox(std::uint32_t stringId, std::uint32_t type);
    void ShowMessageBox(const std::string& text, std::uint32_t type);

    // Places a child frame into the MDI area, maximised and without close box.
    void AddChildFrame(CChildFrame* frame);
    std::vector<CChildFrame*> ChildFrames() const;
    CChildFrame* ActiveChild() const;
    // Selects channel `channel`: activates the frame of the channel's document
    // (bCurSelProtocol) and shows the channel's first frame list.
    void SelectChannel(int channel);

    // Menu 129 with the language pop-up once a document is open, else 128.
    void BuildMenus();
    // 0x4A0: command bars and panes relabelled for the current language.
    void RebuildForLanguage();

    // Time display: 0 clock time, 1 relative time; redraws the frame list
    // only when the setting changes.
    void SetTimeShowType(std::uint8_t type);

    // The bus status window, once the analysis windows provide it, and what
    // its command does to open it (none: show it and bring it to the front).
    void SetBusStatusWindow(QWidget* window, std::function<void()> open = {});
    QWidget* BusStatusWindow() const { return busStatus; }

    CCommandBars& CommandBars() const { return *commandBars; }
    QMdiArea* MdiArea() const { return mdiArea; }
    // Runs command `id` as a menu click would (update rule first).
    void RunCommand(std::uint32_t id);
    CommandState CommandStateOf(std::uint32_t id) const;
    // What to do about a recorder that the start-up look found attached but
    // refused or held, once the chosen language is in place; nothing when
    // there was no such recorder.
    void ReportStartupRecorderProblem();

  signals:
    // Commands of the application object (About, New, Open, languages).
    void ApplicationCommand(quint32 id);
    // The window closes, which ends the program: Exit, the close box, or a
    // quit from outside.
    void closing();
    // Files dropped on the window, or one chosen from the recent files.
    void filesToOpen(QStringList paths);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void HandleMessage(unsigned msg, const std::string& text);
    void Route(std::uint32_t id);
    CommandState Evaluate(const ShellCommand& command) const;
    void ProbeRecorder();
    // The recent files at the end of the File menu, before Exit.
    void AddRecentFileItems();
    void SaveRecentFiles() const;
    // The frame total in pane 2 keeps its figures under the new language's label.
    void RelabelFrameTotal();

    CKorvexGlobal& global;
    CCommandBars* commandBars = nullptr;
    QMdiArea* mdiArea = nullptr;
    QLabel* pane1 = nullptr;
    QLabel* pane2 = nullptr;
    std::string frameTotalLabel;  // the label pane 2's frame totals start with
    QPointer<QWidget> busStatus;
    std::function<void()> openBusStatus;
    bool rebuilding = false;
    std::optional<korvex::device::RecorderProblem> startupProblem;
    std::vector<std::string> recentFiles;
};

}  // namespace korvex::shell
