#include "app/shell/KorvexShell.h"

#include <QApplication>
#include <QFileInfo>
#include <QSessionManager>

#include "app/framelist/KorvexList.h"
#include "app/resources/AppIcons.h"
#include "app/resources/rules/BuiltInResources.h"
#include "app/services/QtUiServices.h"
#include "app/services/WindowHandle.h"
#include "app/shell/AboutDlg.h"
#include "app/shell/ChildFrame.h"
#include "app/shell/ChineseFont.h"
#include "app/shell/KorvexProDoc.h"
#include "app/shell/KorvexView.h"
#include "app/shell/MainFrame.h"
#include "app/shell/OtherFormatCommands.h"
#include "app/shell/QtOwnTexts.h"
#include "app/shell/QuitSignals.h"
#include "app/shell/ShellExtensions.h"
#include "app/shell/rules/RecentFiles.h"
#include "app/shell/rules/ShellIds.h"
#include "core/ApplyLanguage.h"
#include "core/KorvexGlobal.h"
#include "protolens/include/protolens.h"
#include "xtp/XTPResourceManager.h"
#include "xtp/XTPUiServices.h"

namespace korvex::shell {
namespace {

constexpr unsigned kFrameListId = 1;

XTPFileDialogRequest DocumentDialog() {
    XTPFileDialogRequest request;
    request.defaultExt = "can";
    request.flags = xtp_ofn::kHideReadOnly | xtp_ofn::kOverwritePrompt;
    request.filter = "Korvex Files(*.can)|*.can||";
    return request;
}

}  // namespace

CKorvexShell::CKorvexShell(CKorvexGlobal& global, bool desktopServices, QObject* parent)
    : QObject(parent), global(global), desktopServices(desktopServices) {}

CKorvexShell::~CKorvexShell() {
    ExitInstance();
}

bool CKorvexShell::InitInstance() {
    CChildFrame::AllowClose(false);
    InitAppIcons();
    PreferChineseFont();
    if (desktopServices) {
        services = std::make_unique<CQtUiServices>();
        XTPSetUiServices(services.get());
    }
    InstallBuiltInResources();

    quitSignals = new CQuitSignals([this] { RequestQuit(); }, this);
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { RequestQuit(); });

    // The language first: the start-up probe's message is already in it.
    std::int32_t language = global.iCurLanguage;
    IOCtl(kIoctlLanguage, &language, sizeof language, 0, 0);
    ApplyLanguageIndex(language);

    mainFrame = new CMainFrame(global);
    connect(mainFrame, &CMainFrame::closing, this, &CKorvexShell::BeginQuit);
    if (!mainFrame->OnCreate()) return false;
    // Ended while the start-up probe's box was open: nothing more is built.
    if (quitting) return true;
    connect(mainFrame, &CMainFrame::ApplicationCommand, this, &CKorvexShell::OnApplicationCommand);
    connect(mainFrame, &CMainFrame::filesToOpen, this, &CKorvexShell::OpenFiles);
    InstallMainFrameWindows(*mainFrame);

    CreateFrameList();
    if (!OpenNewDocument(0)) return false;
    mainFrame->SelectChannel(global.iCurCANInd);

    // The windows built since take their texts as they are made; the message
    // lets each one that keeps a text of its own follow too.
    mainFrame->PostMessage(msg::kLanguageChanged, static_cast<std::uintptr_t>(language), 0);
    mainFrame->ReportStartupRecorderProblem();

    mainFrame->resize(1200, 760);
    mainFrame->show();
    return true;
}

void CKorvexShell::CreateFrameList() {
    frameList = new CKorvexList(global);
    frameList->CreateList(kFrameListId, 0, 0, ToCWnd(mainFrame));
    frameList->SetMessageWindow(mainFrame);
    std::vector<CDataShowBase*>& sinks = global.CurrentSinks();
    sinks.insert(sinks.begin(), frameList.data());
    SetMsgHwnd(mainFrame);
    SetControlList(frameList.data());
    frameList->SetCapacity(global.iRecordLength);
}

CKorvexProDoc* CKorvexShell::OpenNewDocument(int index) {
    auto* document = new CKorvexProDoc(global, index, this);
    document->SetTitle(QStringLiteral("Korvex%1").arg(index));
    auto* frame = new CChildFrame(global, *document);
    frame->SetDocumentIndex(index);
    if (!document->OnNewDocument()) {
        delete frame;
        delete document;
        return nullptr;
    }
    InstallViewCommands(frame->View());
    InstallPaneContents(*frame);
    mainFrame->AddChildFrame(frame);
    documents.push_back(document);
    return document;
}

void CKorvexShell::OpenFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        const std::string file = path.toStdString();
        if (!QFileInfo::exists(path)) {
            mainFrame->ForgetMissingFile(file);
            continue;
        }
        CChildFrame* child = mainFrame->ActiveChild();
        if (OpeningOf(file) == FileOpening::kDataFile && child) {
            child->View().ImportDataFile(file);
            continue;
        }
        OpenFileArgument(*this, global, {QString(), path});
        mainFrame->NoteRecentFile(file);
    }
}

void CKorvexShell::OnFileOpen() {
    std::string path;
    if (!XTPUiServices().OpenFileDialog(ToCWnd(mainFrame), DocumentDialog(), path)) return;
    mainFrame->NoteRecentFile(path);
    const int index = static_cast<int>(documents.size());
    auto* document = new CKorvexProDoc(global, index, this);
    document->SetTitle(QFileInfo(QString::fromStdString(path)).fileName());
    if (!document->OnOpenDocument(path, *mainFrame)) {
        delete document;
        return;
    }
    auto* frame = new CChildFrame(global, *document);
    frame->SetDocumentIndex(index);
    InstallViewCommands(frame->View());
    InstallPaneContents(*frame);
    mainFrame->AddChildFrame(frame);
    documents.push_back(document);
}

bool CKorvexShell::ApplyLanguageIndex(int index) {
    if (!ApplyLanguage(global, index)) return false;
    std::setlocale(LC_NUMERIC, "C");
    InstallQtOwnTexts(global.vecLanguage[static_cast<std::size_t>(index)].strLocale);
    if (mainFrame)
        mainFrame->PostMessage(msg::kLanguageChanged, static_cast<std::uintptr_t>(index), 0);
    return true;
}

void CKorvexShell::OnApplicationCommand(quint32 id) {
    if (id >= cmd::kLanguageFirst && id <= cmd::kLanguageLast) {
        ApplyLanguageIndex(static_cast<int>(id - cmd::kLanguageFirst));
        return;
    }
    switch (id) {
        case cmd::kAbout: {
            CAboutDlg about(mainFrame);
            about.exec();
            break;
        }
        case cmd::kNew:
            OpenNewDocument(static_cast<int>(documents.size()));
            break;
        case cmd::kOpen:
            OnFileOpen();
            break;
        default:
            // Print setup: the program prints nothing.
            break;
    }
}

void CKorvexShell::RequestQuit() {
    BeginQuit();
    if (mainFrame) mainFrame->close();
}

void CKorvexShell::BeginQuit() {
    quitting = true;
    // The worker of an upload ends with its current exchange; a start of an
    // upload that waits for the count returns.
    if (mainFrame)
        for (CChildFrame* frame : mainFrame->ChildFrames()) frame->View().CancelUpload();
    // Pop-up menus and modal boxes next: their loops end before the main
    // window goes.
    while (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        if (QApplication::activePopupWidget() == popup) break;
    }
    while (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
        // A box that refuses to close (no button to escape with) is hidden.
        if (QApplication::activeModalWidget() == modal) modal->hide();
        if (QApplication::activeModalWidget() == modal) break;
    }
    emit quitRequested();
}

int CKorvexShell::ExitInstance() {
    if (exited) return 0;
    exited = true;
    // Uploads end first, while the list their workers fill is still there;
    // then the windows go, and the frame list writes out its real-time save.
    if (mainFrame)
        for (CChildFrame* frame : mainFrame->ChildFrames()) frame->View().EndUpload();
    CChildFrame::AllowClose(true);
    CDataShowBase* const list = frameList.data();
    if (frameList) frameList->EndRealTimeSave();
    delete mainFrame.data();
    delete frameList.data();
    SetControlList(nullptr);
    SetMsgHwnd(nullptr);
    if (list) std::erase(global.CurrentSinks(), list);
    delete quitSignals;
    quitSignals = nullptr;
    if (services) XTPSetUiServices(nullptr);
    services.reset();
    XTPResourceManager()->Close();
    return 0;
}

}  // namespace korvex::shell
