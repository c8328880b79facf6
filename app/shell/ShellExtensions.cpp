#include "app/shell/ShellExtensions.h"

#include "app/analysis/CANFrameNameDlg.h"
#include "app/analysis/DlgFrameHandle.h"
#include "app/analysis/SearchListCtrl.h"
#include "app/framelist/KorvexList.h"
#include "app/shell/ChildFrame.h"
#include "app/shell/KorvexView.h"
#include "app/shell/MainFrame.h"
#include "core/KorvexGlobal.h"

namespace korvex::shell {
namespace {

// Alias names and search: both panes of a child frame serve its frame list
// and share one result list. They are filled at once, since a pane that the
// saved layout shows from the start is never asked for its content.
constexpr int kSearchPane = 3072;
constexpr int kSearchResultPane = 3071;

CKorvexList* FrameListOf(CChildFrame& frame) {
    std::vector<CDataShowBase*>& sinks = frame.View().Global().CurrentSinks();
    return sinks.empty() ? nullptr : dynamic_cast<CKorvexList*>(sinks.front());
}

void InstallSearchPanes(CChildFrame& frame) {
    CKorvexList* list = FrameListOf(frame);
    if (!list) return;
    CKorvexGlobal& global = frame.View().Global();
    auto* results = new CSearchListCtrl(global, *list, &frame);
    results->SetMessageWindow([&frame]() -> IMessageWindow* { return frame.View().MainFrame(); });
    results->SetFrameWindow(&frame);
    frame.SetPaneWidget(kSearchResultPane, results);
    frame.SetPaneWidget(kSearchPane, new CDlgFrameHandle(global, *list, *results, [&frame] {
                            frame.ShowPane(kSearchResultPane);
                        }));
    QObject::connect(list, &CKorvexList::searchRequested, &frame,
                     [&frame] { frame.ShowPane(kSearchPane); });
}

}  // namespace

void InstallViewCommands(CKorvexView& view) {
    view.SetCommandHandler(CCANFrameNameDlg::kCommand, [](CKorvexView& v) {
        CCANFrameNameDlg dialog(v.Global(), 0, &v);
        dialog.exec();
    });
}

void InstallPaneContents(CChildFrame& frame) {
    InstallSearchPanes(frame);
}

void InstallMainFrameWindows(CMainFrame&) {}

}  // namespace korvex::shell
