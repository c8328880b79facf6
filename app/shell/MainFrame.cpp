#include "app/shell/MainFrame.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <QTabBar>
#include <QThread>
#include <QUrl>
#include <algorithm>

#include "app/common/BaseDlg.h"
#include "app/common/rules/NumberedFormat.h"
#include "app/services/WindowHandle.h"
#include "app/shell/ChildFrame.h"
#include "app/shell/CommandBars.h"
#include "app/shell/KorvexView.h"
#include "app/shell/RecorderAccess.h"
#include "app/shell/rules/RecentFiles.h"
#include "app/shell/rules/ShellIds.h"
#include "core/KorvexGlobal.h"
#include "logport/include/logport.h"
#include "protolens/include/protolens.h"
#include "xtp/XTPResourceManager.h"
#include "xtp/XTPUiServices.h"

namespace korvex::shell {
namespace {

constexpr char kLayoutKey[] = "CommandBars";
constexpr char kRecentFilesKey[] = "RecentFiles";
constexpr int kShowListCmd = 5;
constexpr int kHideListCmd = 0;

}  // namespace

CMainFrame::CMainFrame(CKorvexGlobal& global, QWidget* parent)
    : QMainWindow(parent), global(global) {
    setObjectName(QStringLiteral("KorvexMainFrame"));
    setWindowTitle(QString::fromStdString(XTPLoadString(res::kStrAppTitle)));
}

CMainFrame::~CMainFrame() {
    // The MDI area announces its windows going while this frame is half gone.
    if (mdiArea) mdiArea->disconnect(this);
}

bool CMainFrame::OnCreate() {
    pane1 = new QLabel(this);
    pane2 = new QLabel(this);
    pane1->setObjectName(QStringLiteral("statusPane1"));
    pane2->setObjectName(QStringLiteral("statusPane2"));
    for (QLabel* pane : {pane1, pane2}) {
        pane->setMinimumWidth(120);
        statusBar()->addPermanentWidget(pane);
    }
    frameTotalLabel = XTPLoadString(res::kStrFrameTotal);

    commandBars = new CCommandBars(
        *this, [this](std::uint32_t id) { Route(id); },
        [this](const ShellCommand& command) { return Evaluate(command); });
    const QStringList stored = QSettings().value(kRecentFilesKey).toStringList();
    for (auto path = stored.rbegin(); path != stored.rend(); ++path)
        AddRecentFile(recentFiles, path->toStdString());
    BuildMenus();
    commandBars->BuildToolbar();
    restoreState(QSettings().value(kLayoutKey).toByteArray());
    setAcceptDrops(true);

    mdiArea = new QMdiArea(this);
    mdiArea->setViewMode(QMdiArea::TabbedView);
    mdiArea->setDocumentMode(true);
    mdiArea->setTabsClosable(false);
    mdiArea->setTabsMovable(true);
    setCentralWidget(mdiArea);
    connect(mdiArea, &QMdiArea::subWindowActivated, this, [this] { commandBars->UpdateAll(); });

    ProbeRecorder();
    return true;
}

void CMainFrame::ProbeRecorder() {
    std::unique_lock<std::mutex> device = TakeRecorder();
    if (!device.owns_lock()) return;
    const bool present = LGP_OpenDevice(kDeviceType, kDeviceIndex, 0) != 0;
    LGP_CloseDevice(kDeviceType, kDeviceIndex);
    // A recorder that is there but refused is not "not connected": the user
    // is told what to do instead, in the language the shell applies next.
    startupProblem = present ? std::nullopt : korvex::device::FindRecorderProblem(kDeviceIndex);
    device.unlock();
    if (!present && !startupProblem) ShowMessageBox(res::kStrNoDevice, xtp_mb::kOk);
}

void CMainFrame::ReportStartupRecorderProblem() {
    if (!startupProblem) return;
    const korvex::device::RecorderProblem problem = *startupProblem;
    startupProblem.reset();
    ShowMessageBox(korvex::device::RecorderProblemText(problem), xtp_mb::kIconWarning);
}

void CMainFrame::PostMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t) {
    // The text behind wParam belongs to the sender; it is copied before the
    // call returns.
    std::string text;
    if ((msg == msg::kStatusPane1 || msg == msg::kStatusPane2 || msg == msg::kFileWritten) &&
        wParam)
        text = reinterpret_cast<const char*>(wParam);
    if (QThread::currentThread() == thread()) {
        HandleMessage(msg, text);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, msg, text] { HandleMessage(msg, text); }, Qt::QueuedConnection);
}

void CMainFrame::HandleMessage(unsigned msg, const std::string& text) {
    switch (msg) {
        case msg::kStatusPane2:
            ShowFrameStatus(text);
            break;
        case msg::kStatusPane1:
            if (pane1) pane1->setText(QString::fromStdString(text));
            break;
        case msg::kLanguageChanged:
            // The index is the global state's current language by now.
            RebuildForLanguage();
            break;
        case msg::kFileWritten:
            NoteRecentFile(text);
            break;
        default:
            break;
    }
}

void CMainFrame::ShowFrameStatus(const std::string& text) {
    if (pane2) pane2->setText(QString::fromStdString(text));
}

QString CMainFrame::PaneText(int pane) const {
    switch (pane) {
        case 0:
            return statusBar()->currentMessage();
        case 1:
            return pane1 ? pane1->text() : QString();
        case 2:
            return pane2 ? pane2->text() : QString();
        default:
            return {};
    }
}

void CMainFrame::ShowMessageBox(std::uint32_t stringId, std::uint32_t type) {
    ShowMessageBox(XTPLoadString(stringId), type);
}

void CMainFrame::ShowMessageBox(const std::string& text, std::uint32_t type) {
    XTPUiServices().MessageBox(ToCWnd(this), text, XTPLoadString(res::kStrAppTitle), type);
}

void CMainFrame::AddChildFrame(CChildFrame* frame) {
    QMdiSubWindow* sub =
        mdiArea->addSubWindow(frame, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowMinMaxButtonsHint);
    frame->SetSubWindow(sub);
    sub->setWindowTitle(frame->Document().Title());
    sub->showMaximized();
    BuildMenus();
}

std::vector<CChildFrame*> CMainFrame::ChildFrames() const {
    std::vector<CChildFrame*> frames;
    if (!mdiArea) return frames;
    for (QMdiSubWindow* sub : mdiArea->subWindowList())
        if (auto* frame = qobject_cast<CChildFrame*>(sub->widget())) frames.push_back(frame);
    return frames;
}

CChildFrame* CMainFrame::ActiveChild() const {
    if (!mdiArea) return nullptr;
    QMdiSubWindow* sub = mdiArea->activeSubWindow();
    if (!sub) sub = mdiArea->currentSubWindow();
    if (!sub && !mdiArea->subWindowList().isEmpty()) sub = mdiArea->subWindowList().front();
    return sub ? qobject_cast<CChildFrame*>(sub->widget()) : nullptr;
}

void CMainFrame::SelectChannel(int channel) {
    global.iCurCANInd = channel;
    const int documentIndex = global.bCurSelProtocol[0];
    for (CChildFrame* frame : ChildFrames())
        if (frame->DocumentIndex() == documentIndex) frame->ActivateFrame();
    std::vector<CDataShowBase*>& sinks = global.CurrentSinks();
    if (!sinks.empty()) sinks.front()->ShowList(kShowListCmd);
    if (channel != 0 && !global.frameSinks[0].empty())
        global.frameSinks[0].front()->ShowList(kHideListCmd);
}

void CMainFrame::BuildMenus() {
    if (!commandBars) return;
    if (ChildFrames().empty())
        commandBars->BuildMenuBar(res::kNoDocMenu, nullptr, 0);
    else
        commandBars->BuildMenuBar(res::kMainMenu, &global.vecLanguage, global.iCurLanguage);
    AddRecentFileItems();
}

void CMainFrame::NoteRecentFile(const std::string& path) {
    AddRecentFile(recentFiles, path);
    SaveRecentFiles();
    BuildMenus();
}

void CMainFrame::ForgetMissingFile(const std::string& path) {
    std::erase(recentFiles, path);
    SaveRecentFiles();
    BuildMenus();
    ShowMessageBox(FormatString(res::kStrRecentFileGone, path.c_str()), xtp_mb::kIconWarning);
}

void CMainFrame::SaveRecentFiles() const {
    QStringList paths;
    for (const std::string& path : recentFiles) paths << QString::fromStdString(path);
    QSettings().setValue(kRecentFilesKey, paths);
}

void CMainFrame::AddRecentFileItems() {
    if (!commandBars || recentFiles.empty() || menuBar()->actions().isEmpty()) return;
    QMenu* file = menuBar()->actions().front()->menu();
    if (!file) return;
    QAction* exit = commandBars->Action(cmd::kExit);
    QAction* before = file->actions().contains(exit) ? exit : nullptr;
    file->insertSeparator(before);
    for (std::size_t i = 0; i < recentFiles.size(); ++i) {
        const QString path = QString::fromStdString(recentFiles[i]);
        auto* item =
            new QAction(QString::fromStdString(RecentFileMenuText(i, recentFiles[i])), file);
        item->setObjectName(QStringLiteral("recentFile%1").arg(i));
        connect(item, &QAction::triggered, this, [this, path] { emit filesToOpen({path}); });
        file->insertAction(before, item);
    }
    if (before) file->insertSeparator(before);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); }))
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    // The drop returns to the desktop first; the files are read after it.
    QMetaObject::invokeMethod(
        this, [this, paths] { emit filesToOpen(paths); }, Qt::QueuedConnection);
}

void CMainFrame::RebuildForLanguage() {
    rebuilding = true;
    BuildMenus();
    commandBars->RelabelActions();
    std::int32_t language = global.iCurLanguage;
    IOCtl(kIoctlLanguage, &language, sizeof language, 0, 0);
    if (CChildFrame* child = ActiveChild()) child->RelabelPanes();
    name_share::CBaseDlg::RelabelAll();
    RelabelFrameTotal();
    setWindowTitle(QString::fromStdString(XTPLoadString(res::kStrAppTitle)));
    rebuilding = false;
    update();
}

void CMainFrame::RelabelFrameTotal() {
    const std::string label = XTPLoadString(res::kStrFrameTotal);
    const QString former = QString::fromStdString(frameTotalLabel);
    const QString shown = pane2 ? pane2->text() : QString();
    if (!former.isEmpty() && shown.startsWith(former))
        pane2->setText(QString::fromStdString(label) + shown.mid(former.size()));
    frameTotalLabel = label;
}

void CMainFrame::SetTimeShowType(std::uint8_t type) {
    if (global.TimeShowType == type) return;
    global.TimeShowType = type;
    std::vector<CDataShowBase*>& sinks = global.CurrentSinks();
    if (!sinks.empty()) sinks.front()->Redraw();
}

void CMainFrame::SetBusStatusWindow(QWidget* window, std::function<void()> open) {
    busStatus = window;
    openBusStatus = std::move(open);
    if (commandBars) commandBars->UpdateAll();
}

CommandState CMainFrame::CommandStateOf(std::uint32_t id) const {
    const std::optional<ShellCommand> command = FindShellCommand(id);
    return command ? Evaluate(*command) : CommandState{false, false};
}

void CMainFrame::RunCommand(std::uint32_t id) {
    commandBars->UpdateAll();
    commandBars->Action(id)->trigger();
}

CommandState CMainFrame::Evaluate(const ShellCommand& command) const {
    UpdateInputs in;
    in.timeShowType = global.TimeShowType;
    in.windowExists = !busStatus.isNull();
    in.currentLanguage = global.iCurLanguage;
    in.languageIndex = static_cast<int>(command.id) - static_cast<int>(cmd::kLanguageFirst);
    CChildFrame* child = ActiveChild();
    if (command.rule == UpdateRule::kWhilePaneClosed) {
        if (!child) return {false, false};
        in.paneOpen = child->IsPaneOpen(command.pane);
    }
    if (command.target == CommandTarget::kView || command.target == CommandTarget::kDocument) {
        if (!child) return {false, false};
        in.handled = child->View().HasCommand(command.id);
    }
    return EvaluateUpdateRule(command.rule, in);
}

void CMainFrame::Route(std::uint32_t id) {
    const std::optional<ShellCommand> command = FindShellCommand(id);
    if (!command) return;
    CChildFrame* child = ActiveChild();
    switch (command->target) {
        case CommandTarget::kView:
            if (child) child->View().OnCommand(id);
            break;
        case CommandTarget::kDocument:
            if (!child) break;
            if (id == cmd::kExportDeviceConfig) child->Document().OnExportDeviceConfig(this);
            if (id == cmd::kImportDeviceConfig) child->Document().OnImportDeviceConfig(this);
            break;
        case CommandTarget::kChildFrame:
            if (child) child->ShowPane(command->pane);
            break;
        case CommandTarget::kMainFrame:
            if (id == cmd::kClockTime) SetTimeShowType(0);
            if (id == cmd::kRelativeTime) SetTimeShowType(1);
            if (id == cmd::kBusStatus && busStatus) {
                if (openBusStatus) {
                    openBusStatus();
                } else {
                    busStatus->show();
                    busStatus->raise();
                }
            }
            break;
        case CommandTarget::kFramework:
            if (id == cmd::kExit) {
                close();
                break;
            }
            emit ApplicationCommand(id);
            break;
        case CommandTarget::kApplication:
            emit ApplicationCommand(id);
            break;
        case CommandTarget::kNone:
            break;
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    QSettings().setValue(kLayoutKey, saveState());
    emit closing();
    QMainWindow::closeEvent(event);
}

}  // namespace korvex::shell
