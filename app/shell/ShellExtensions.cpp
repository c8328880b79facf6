#include "app/shell/ShellExtensions.h"

#include <QDockWidget>
#include <QPointer>
#include <memory>

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
// and share one result list, made by whichever pane is shown first.
constexpr int kSearchPane = 3072;
constexpr int kSearchResultPane = 3071;

CKorvexList* FrameListOf(CChildFrame& frame) {
    std::vector<CDataShowBase*>& sinks = frame.View().Global().CurrentSinks();
    return sinks.empty() ? nullptr : dynamic_cast<CKorvexList*>(sinks.front());
}

void InstallSearchPanes(CChildFrame& frame) {
    CKorvexList* list = FrameListOf(frame);
    if (!list) return;
    auto results = std::make_shared<QPointer<CSearchListCtrl>>();
    const auto resultList = [results, list](CChildFrame& f) -> CSearchListCtrl* {
        if (!*results) {
            *results = new CSearchListCtrl(f.View().Global(), *list, &f);
            (*results)->hide();
            (*results)->SetMessageWindow(f.View().MainFrame());
            (*results)->SetFrameWindow(&f);
        }
        return *results;
    };
    frame.SetPaneFactory(kSearchResultPane, resultList);
    frame.SetPaneFactory(kSearchPane, [resultList, list](CChildFrame& f) -> QWidget* {
        CSearchListCtrl* target = resultList(f);
        return new CDlgFrameHandle(f.View().Global(), *list, *target, [&f, target] {
            f.SetPaneWidget(kSearchResultPane, target);
            f.ShowPane(kSearchResultPane);
        });
    });
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
