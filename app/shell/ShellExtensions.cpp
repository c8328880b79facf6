#include "app/shell/ShellExtensions.h"

#include <QDockWidget>
#include <QHeaderView>
#include <QPointer>

#include "app/analysis/CANFrameNameDlg.h"
#include "app/analysis/ClusterDataList.h"
#include "app/analysis/DlgClusterCfg.h"
#include "app/analysis/DlgFrameHandle.h"
#include "app/analysis/DlgOneBusStatus.h"
#include "app/analysis/FrameListColumns.h"
#include "app/analysis/SearchListCtrl.h"
#include "app/device/DeviceCommands.h"
#include "app/diagnostics/DiagnosticsPane.h"
#include "app/diagnostics/rules/DiagnosticsIds.h"
#include "app/framelist/KorvexList.h"
#include "app/shell/ChildFrame.h"
#include "app/shell/KorvexView.h"
#include "app/shell/MainFrame.h"
#include "app/shell/OtherFormatCommands.h"
#include "app/shell/RecorderAccess.h"
#include "app/shell/rules/ShellIds.h"
#include "app/signals/BitsWindow.h"
#include "app/signals/DlgSignalDatabases.h"
#include "app/signals/SignalDatabases.h"
#include "app/signals/SignalPane.h"
#include "app/signals/SignalPlotWindow.h"
#include "app/signals/rules/SignalIds.h"
#include "core/FrameRowText.h"
#include "core/KorvexGlobal.h"
#include "core/transport/SpnNames.h"
#include "protolens/include/protolens.h"

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
    // A change of the time mode redraws the frame list; the hits' times follow.
    QObject::connect(list, &CKorvexList::redrawn, results,
                     [results] { results->viewport()->update(); });
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
        const QAbstractItemModel* model = list->CFlatTableView::model();
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
    const std::function<std::vector<std::string>()> captions = source.captions;
    frame.SetPaneWidget(kClusterResultPane, results);
    frame.SetPaneWidget(kClusterPane, new CDlgClusterCfg(std::move(source), *results, [&frame] {
                            frame.ShowPane(kClusterResultPane);
                        }));
    QObject::connect(list, &CKorvexList::classifyRequested, &frame,
                     [&frame] { frame.ShowPane(kClusterPane); });
    QObject::connect(list, &CKorvexList::redrawn, results,
                     [results] { results->viewport()->update(); });
    // The plug-in renames the frame list's columns for a new language.
    const QAbstractItemModel* frames = list->CFlatTableView::model();
    const auto follow = [results, captions, list] {
        results->TakeCaptions(captions());
        std::vector<int> frameListWidths;
        for (const FrameListColumn& c : FrameListColumns(*list)) frameListWidths.push_back(c.width);
        results->WidenColumns(frameListWidths);
    };
    QObject::connect(frames, &QAbstractItemModel::headerDataChanged, results, follow);
    QObject::connect(frames, &QAbstractItemModel::columnsInserted, results, follow);
    QObject::connect(frames, &QAbstractItemModel::columnsRemoved, results, follow);
}

// Signal databases: one list of databases and one plot window for the main
// frame; a signal pane in each child frame that follows the selection of its
// frame list, search results and classification results.
static_assert(cmd::kSignalDatabases == signaldb::ids::kCmdDatabases);
static_assert(cmd::kSignalPlot == signaldb::ids::kCmdPlot);
static_assert(cmd::kShowSignalPane == signaldb::ids::kCmdShowPane);
static_assert(pane::kSignals == signaldb::ids::kPane);
static_assert(cmd::kSignalBits == signaldb::ids::kCmdBits);

signaldb::CSignalDatabases* SignalDatabasesOf(CMainFrame* main) {
    return main ? main->findChild<signaldb::CSignalDatabases*>() : nullptr;
}

// The main frame's databases while child frames are being made: a child
// frame joins the main frame only after its panes are filled.
QPointer<signaldb::CSignalDatabases> programDatabases;

void InstallSignalWindows(CMainFrame& frame) {
    auto* databases = new signaldb::CSignalDatabases(&frame);
    programDatabases = databases;
    databases->Restore(&frame);
    CKorvexGlobal& global = frame.Global();
    const auto firstList = [&global]() -> CKorvexList* {
        std::vector<CDataShowBase*>& sinks = global.CurrentSinks();
        return sinks.empty() ? nullptr : dynamic_cast<CKorvexList*>(sinks.front());
    };
    signaldb::CSignalPlotWindow::Source source;
    source.frameStore = [firstList]() -> CCycleBuffer<_VCI_CAN_OBJ>* {
        CKorvexList* list = firstList();
        return list ? &list->Record().frameStore : nullptr;
    };
    source.origTimeList = [&global] { return global.origTimeList; };
    source.timeText = [&global](long long index, const _VCI_CAN_OBJ& f, std::string& text) {
        FormatCellText(index, f, kColumnTime, global.ExportContext(&AnalyCANFrame), text);
    };
    source.selectFrame = [&frame](int index) {
        if (CChildFrame* child = frame.ActiveChild())
            child->PostMessage(msg::kSelectFrame, static_cast<std::uintptr_t>(index), 0);
    };
    signaldb::CBitsWindow::Source bits{source.frameStore, source.origTimeList};
    new signaldb::CSignalPlotWindow(*databases, std::move(source), &frame);
    new signaldb::CBitsWindow(*databases, std::move(bits), &frame);
}

signaldb::CBitsWindow* BitsWindowOf(CMainFrame* main) {
    return main ? main->findChild<signaldb::CBitsWindow*>() : nullptr;
}

void InstallSignalPane(CChildFrame& frame) {
    CKorvexList* list = FrameListOf(frame);
    signaldb::CSignalDatabases* databases = programDatabases;
    if (!list || !databases) return;
    auto* signalPane = new signaldb::CSignalPane(&frame);
    signalPane->SetDecoder(databases->Decoder());
    QObject::connect(databases, &signaldb::CSignalDatabases::changed, signalPane,
                     [signalPane, databases] { signalPane->SetDecoder(databases->Decoder()); });
    if (auto* search = qobject_cast<CDlgFrameHandle*>(frame.Pane(kSearchPane)->widget())) {
        search->SetDecoder(databases->Decoder());
        QObject::connect(databases, &signaldb::CSignalDatabases::changed, search,
                         [search, databases] { search->SetDecoder(databases->Decoder()); });
    }
    frame.SetPaneWidget(pane::kSignals, signalPane);
    QObject::connect(list, &CKorvexList::bitsRequested, &frame,
                     [&frame](std::uint32_t id, bool extended) {
                         if (auto* bits = BitsWindowOf(frame.View().MainFrame()))
                             bits->ShowIdentifier(id, extended);
                     });
    const auto show = [signalPane](std::optional<_VCI_CAN_OBJ> f) { signalPane->ShowFrame(f); };
    QObject::connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, signalPane,
                     [list, show](const QModelIndex& current) {
                         _VCI_CAN_OBJ f{};
                         const bool known =
                             current.isValid() && list->Record().frameStore.Get(current.row(), &f);
                         show(known ? std::optional(f) : std::nullopt);
                     });
    if (auto* results = qobject_cast<CSearchListCtrl*>(frame.Pane(kSearchResultPane)->widget()))
        QObject::connect(results->selectionModel(), &QItemSelectionModel::currentRowChanged,
                         signalPane, [results, show](const QModelIndex& current) {
                             const _VCI_CAN_OBJ* f = current.isValid()
                                                         ? results->Results().Frame(current.row())
                                                         : nullptr;
                             show(f ? std::optional(*f) : std::nullopt);
                         });
    if (auto* groups = qobject_cast<CClusterDataList*>(frame.Pane(kClusterResultPane)->widget()))
        QObject::connect(
            groups->selectionModel(), &QItemSelectionModel::currentRowChanged, signalPane,
            [groups, show](const QModelIndex& current) {
                const korvex::CClusterResult& r = groups->Result();
                const auto row = static_cast<std::size_t>(current.row());
                if (!current.isValid() || row >= r.RowCount()) return show(std::nullopt);
                const std::int64_t frame = r.Row(row).frame;
                show(frame < r.Frames().Count() ? std::optional(r.Frames()[frame]) : std::nullopt);
            });
}

// Diagnostics: a pane in each child frame over its frame list; its message
// follows the list's current frame, and its double-clicks select frames there.
static_assert(cmd::kShowDiagnosticsPane == diagnostics::ids::kCmdShowPane);
static_assert(pane::kDiagnostics == diagnostics::ids::kPane);

void SelectFrames(CKorvexList& list, const std::vector<std::int64_t>& frames) {
    const QAbstractItemModel* model = list.CFlatTableView::model();
    if (frames.empty() || model->columnCount() == 0) return;
    QItemSelection selection;
    const int lastColumn = model->columnCount() - 1;
    for (std::size_t k = 0; k < frames.size();) {
        std::size_t end = k + 1;
        while (end < frames.size() && frames[end] == frames[end - 1] + 1) ++end;
        selection.select(model->index(static_cast<int>(frames[k]), 0),
                         model->index(static_cast<int>(frames[end - 1]), lastColumn));
        k = end;
    }
    const QModelIndex first = model->index(static_cast<int>(frames.front()), 0);
    list.selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    list.selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    list.scrollTo(first);
}

void InstallDiagnosticsPane(CChildFrame& frame) {
    CKorvexList* list = FrameListOf(frame);
    if (!list) return;
    CKorvexGlobal& global = frame.View().Global();
    auto spnNames = std::make_shared<transport::CSpnNames>();
    diagnostics::CDiagnosticsPane::Source source;
    source.frameStore = [list] { return &list->Record().frameStore; };
    source.timeText = [&global](std::int64_t index, const _VCI_CAN_OBJ& f) {
        std::string text;
        FormatCellText(index, f, kColumnTime, global.ExportContext(&AnalyCANFrame), text);
        return text;
    };
    source.selectFrames = [list](const std::vector<std::int64_t>& frames) {
        SelectFrames(*list, frames);
    };
    source.spnName = [spnNames](std::uint32_t spn) { return spnNames->Find(spn); };
    auto* pane = new diagnostics::CDiagnosticsPane(std::move(source), &frame);
    if (signaldb::CSignalDatabases* databases = programDatabases) {
        *spnNames = transport::CSpnNames(*databases->Decoder());
        QObject::connect(databases, &signaldb::CSignalDatabases::changed, pane,
                         [spnNames, databases, pane] {
                             *spnNames = transport::CSpnNames(*databases->Decoder());
                             pane->NamesChanged();
                         });
    }
    frame.SetPaneWidget(pane::kDiagnostics, pane);
    QObject::connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, pane,
                     [pane](const QModelIndex& current) {
                         if (current.isValid()) pane->ShowFrame(current.row());
                     });
}

}  // namespace

void InstallViewCommands(CKorvexView& view) {
    InstallOtherFormatCommands(view);
    view.SetCommandHandler(CCANFrameNameDlg::kCommand, [](CKorvexView& v) {
        CCANFrameNameDlg dialog(v.Global(), 0, &v);
        dialog.exec();
    });
    // Device dialogs: each works on the stored device setting and takes the
    // recorder through the device gate, or says that it is busy.
    view.SetCommandHandler(device::kCmdDeviceConfig, [](CKorvexView& v) {
        device::RunDeviceConfig(&v, v.Global().CANSetting, TakeRecorder);
    });
    view.SetCommandHandler(device::kCmdPresetFrames, [](CKorvexView& v) {
        device::RunPresetFrames(&v, v.Global().CANSetting, TakeRecorder);
    });
    view.SetCommandHandler(device::kCmdClearRecorder,
                           [](CKorvexView& v) { device::RunClearRecorder(&v, TakeRecorder); });
    if (programDatabases.isNull()) return;
    view.SetCommandHandler(cmd::kSignalDatabases, [](CKorvexView& v) {
        signaldb::CSignalDatabases* databases = SignalDatabasesOf(v.MainFrame());
        if (databases == nullptr) return;
        signaldb::CDlgSignalDatabases dialog(*databases, &v);
        dialog.exec();
    });
    view.SetCommandHandler(cmd::kSignalBits, [](CKorvexView& v) {
        signaldb::CBitsWindow* bits = BitsWindowOf(v.MainFrame());
        if (bits == nullptr) return;
        if (bits->Messages().empty() && !bits->Analysing()) bits->Analyse();
        bits->show();
        bits->raise();
        bits->activateWindow();
    });
    view.SetCommandHandler(cmd::kSignalPlot, [](CKorvexView& v) {
        auto* plot =
            v.MainFrame() ? v.MainFrame()->findChild<signaldb::CSignalPlotWindow*>() : nullptr;
        if (plot == nullptr) return;
        plot->show();
        plot->raise();
        plot->activateWindow();
    });
}

void InstallPaneContents(CChildFrame& frame) {
    InstallSearchPanes(frame);
    InstallClusterPanes(frame);
    InstallSignalPane(frame);
    InstallDiagnosticsPane(frame);
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
    frame.SetBusStatusWindow(window, [window] { window->OpenFromCommand(); });
    InstallSignalWindows(frame);
}

}  // namespace korvex::shell
