#include "app/shell/ShellExtensions.h"

#include <QHeaderView>

#include "app/analysis/CANFrameNameDlg.h"
#include "app/analysis/ClusterDataList.h"
#include "app/analysis/DlgClusterCfg.h"
#include "app/analysis/DlgFrameHandle.h"
#include "app/analysis/DlgOneBusStatus.h"
#include "app/analysis/SearchListCtrl.h"
#include "app/device/DeviceCommands.h"
#include "app/framelist/KorvexList.h"
#include "app/shell/ChildFrame.h"
#include "app/shell/DeviceWait.h"
#include "app/shell/KorvexView.h"
#include "app/shell/MainFrame.h"
#include "app/shell/OtherFormatCommands.h"
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

// Classification and bus status: the settings pane runs into the result pane
// of the same child frame; the bus status window reads the first frame list.
constexpr int kClusterPane = 3074;
constexpr int kClusterResultPane = 3073;

void InstallClusterPanes(CChildFrame& frame) {
    CKorvexList* list = FrameListOf(frame);
    if (!list) return;
    auto* results = new CClusterDataList(&frame);
    results->SetOwner(&frame);
    ClusterFrameList source;
    source.busy = [list] { return list->IsBusy() != 0; };
    source.captions = [list] {
        std::vector<std::string> captions;
        const QAbstractItemModel* model = list->QTableView::model();
        for (int c = 0; c < model->columnCount(); ++c)
            captions.push_back(model->headerData(c, Qt::Horizontal).toString().toStdString());
        return captions;
    };
    source.frameStore = [list] { return &list->Record().frameStore; };
    source.cellContext = [list] { return list->CellContext().rowText; };
    std::vector<int> widths;
    for (int c = 0; c < list->horizontalHeader()->count(); ++c)
        widths.push_back(list->horizontalHeader()->sectionSize(c));
    results->TakeColumns(source.captions(), widths);
    frame.SetPaneWidget(kClusterResultPane, results);
    frame.SetPaneWidget(kClusterPane, new CDlgClusterCfg(std::move(source), *results, [&frame] {
                            frame.ShowPane(kClusterResultPane);
                        }));
    QObject::connect(list, &CKorvexList::classifyRequested, &frame,
                     [&frame] { frame.ShowPane(kClusterPane); });
}

}  // namespace

void InstallViewCommands(CKorvexView& view) {
    InstallOtherFormatCommands(view);
    view.SetCommandHandler(CCANFrameNameDlg::kCommand, [](CKorvexView& v) {
        CCANFrameNameDlg dialog(v.Global(), 0, &v);
        dialog.exec();
    });
    // Device dialogs: each works on the stored device setting and takes the
    // recorder through the device gate.
    view.SetCommandHandler(device::kCmdDeviceConfig, [](CKorvexView& v) {
        device::RunDeviceConfig(&v, v.Global().CANSetting, WaitForDevice);
    });
    view.SetCommandHandler(device::kCmdPresetFrames, [](CKorvexView& v) {
        device::RunPresetFrames(&v, v.Global().CANSetting, WaitForDevice);
    });
    view.SetCommandHandler(device::kCmdClearRecorder,
                           [](CKorvexView& v) { device::RunClearRecorder(&v, WaitForDevice); });
}

void InstallPaneContents(CChildFrame& frame) {
    InstallSearchPanes(frame);
    InstallClusterPanes(frame);
}

void InstallMainFrameWindows(CMainFrame& frame) {
    CKorvexGlobal& global = frame.Global();
    auto* window = new CDlgOneBusStatus(
        global,
        [&global]() -> CCycleBuffer<_VCI_CAN_OBJ>* {
            std::vector<CDataShowBase*>& sinks = global.CurrentSinks();
            auto* list = sinks.empty() ? nullptr : dynamic_cast<CKorvexList*>(sinks.front());
            return list ? &list->Record().frameStore : nullptr;
        },
        &frame);
    window->setWindowFlags(Qt::Window);
    frame.SetBusStatusWindow(window);
}

}  // namespace korvex::shell
