#pragma once

#include <QMainWindow>
#include <functional>
#include <map>

#include "protolens/include/MessageWindow.h"

class CKorvexGlobal;
class QDockWidget;
class QMdiSubWindow;

namespace korvex::shell {

class CKorvexProDoc;
class CKorvexView;

// The frame of one document inside the main window's MDI area: the view in
// the middle and the docking panes around it (search 3072 and
// classification settings 3074 on the right as tabs, the signal pane 47004
// below them, their results 3071 and 3073 at the bottom as tabs). It has no close box and ignores
// close requests, so its document stays open until the program ends.
class CChildFrame : public QMainWindow, public IMessageWindow {
    Q_OBJECT

  public:
    // Builds the widget that goes into a pane the first time it is shown.
    using PaneFactory = std::function<QWidget*(CChildFrame&)>;

    CChildFrame(CKorvexGlobal& global, CKorvexProDoc& document, QWidget* parent = nullptr);
    ~CChildFrame() override;

    CKorvexView& View() const { return *view; }
    CKorvexProDoc& Document() const { return document; }
    int DocumentIndex() const { return documentIndex; }
    void SetDocumentIndex(int index) { documentIndex = index; }

    // The pane with `paneId` (3071 … 3074, 47004), or null.
    QDockWidget* Pane(int paneId) const;
    // True while the pane is open (shown, also as a tab behind another).
    bool IsPaneOpen(int paneId) const;
    // Opens the pane again and brings it to the front.
    void ShowPane(int paneId);
    // Puts `content` into the pane now, replacing what it shows.
    void SetPaneWidget(int paneId, QWidget* content);
    // Lets the pane's content be made when the pane is first shown.
    void SetPaneFactory(int paneId, PaneFactory factory);

    // Relabels the panes for the current language, then activates the frame.
    void ActivateFrame();
    // Pane titles from the string table (3072, 3071, 3074, 3073, 47004).
    void RelabelPanes();

    // The MDI window that holds this frame; set when it is added.
    QMdiSubWindow* SubWindow() const { return subWindow; }
    void SetSubWindow(QMdiSubWindow* window);
    // Lets the frame close (only when the program ends).
    static void AllowClose(bool allow);

    // 0x4CD: select frame wParam in the frame list at bCurSelProtocol.
    void PostMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void HandleMessage(unsigned msg, std::uintptr_t wParam);
    void AttachContent(int paneId);

    CKorvexGlobal& global;
    CKorvexProDoc& document;
    CKorvexView* view = nullptr;
    int documentIndex = 0;
    QMdiSubWindow* subWindow = nullptr;
    std::map<int, QDockWidget*> panes;
    std::map<int, PaneFactory> factories;
    std::map<int, bool> attached;
};

}  // namespace korvex::shell
