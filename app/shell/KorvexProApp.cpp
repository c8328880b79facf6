#include "app/shell/KorvexProApp.h"

#include <QFileInfo>
#include <QSessionManager>
#include <QStyleFactory>
#include <clocale>

#include "app/framelist/KorvexList.h"
#include "app/resources/AppIcons.h"
#include "app/resources/BuiltInResources.h"
#include "app/services/QtUiServices.h"
#include "app/services/WindowHandle.h"
#include "app/shell/AboutDlg.h"
#include "app/shell/ChildFrame.h"
#include "app/shell/ChineseFont.h"
#include "app/shell/KorvexProDoc.h"
#include "app/shell/KorvexView.h"
#include "app/shell/LanguageSwitch.h"
#include "app/shell/MainFrame.h"
#include "app/shell/QuitSignals.h"
#include "app/shell/ShellExtensions.h"
#include "app/shell/rules/ShellIds.h"
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

CKorvexProApp::CKorvexProApp(int& argc, char** argv, CKorvexGlobal& global)
    : QApplication(argc, argv), global(global) {
    // QApplication takes the desktop's locale for every category; numbers in
    // files and texts stay in the C form (no decimal comma).
    std::setlocale(LC_NUMERIC, "C");
    setOrganizationName(QStringLiteral("Korvex"));
    setApplicationName(QStringLiteral("KorvexPro"));
    setQuitOnLastWindowClosed(true);
}

CKorvexProApp::~CKorvexProApp() {
    ExitInstance();
}

bool CKorvexProApp::InitInstance() {
    InitAppIcons();
    setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    PreferChineseFont();
    services = std::make_unique<CQtUiServices>();
    XTPSetUiServices(services.get());
    if (XTPResourceManager()->BuiltIn().strings.empty()) InstallBuiltInResources();
    setWindowIcon(QIcon(QStringLiteral(":/icons/korvex.svg")));

    quitSignals = new CQuitSignals([this] { RequestQuit(); }, this);
    connect(this, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { RequestQuit(); });

    mainFrame = new CMainFrame(global);
    if (!mainFrame->OnCreate()) return false;
    connect(mainFrame, &CMainFrame::ApplicationCommand, this, &CKorvexProApp::OnApplicationCommand);
    InstallMainFrameWindows(*mainFrame);

    CreateFrameList();
    if (!OpenNewDocument(0)) return false;
    mainFrame->SelectChannel(global.iCurCANInd);

    std::int32_t language = global.iCurLanguage;
    IOCtl(kIoctlLanguage, &language, sizeof language, 0, 0);
    ApplyLanguageIndex(language);

    mainFrame->resize(1200, 760);
    mainFrame->show();
    return true;
}

void CKorvexProApp::CreateFrameList() {
    frameList = new CKorvexList(global);
    frameList->CreateList(kFrameListId, 0, 0, ToCWnd(mainFrame));
    frameList->SetMessageWindow(mainFrame);
    std::vector<CDataShowBase*>& sinks = global.CurrentSinks();
    sinks.insert(sinks.begin(), frameList.data());
    SetMsgHwnd(mainFrame);
    SetControlList(frameList.data());
    frameList->SetCapacity(global.iRecordLength);
}

CKorvexProDoc* CKorvexProApp::OpenNewDocument(int index) {
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

void CKorvexProApp::OnFileOpen() {
    std::string path;
    if (!XTPUiServices().OpenFileDialog(ToCWnd(mainFrame), DocumentDialog(), path)) return;
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

bool CKorvexProApp::ApplyLanguageIndex(int index) {
    if (!ApplyProgramLanguage(global, index)) return false;
    std::setlocale(LC_NUMERIC, "C");
    if (mainFrame)
        mainFrame->PostMessage(msg::kLanguageChanged, static_cast<std::uintptr_t>(index), 0);
    return true;
}

void CKorvexProApp::OnApplicationCommand(quint32 id) {
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

void CKorvexProApp::RequestQuit() {
    // Modal dialogs first: their loops end before the main window goes.
    while (QWidget* modal = activeModalWidget()) {
        modal->close();
        if (activeModalWidget() == modal) break;
    }
    if (mainFrame)
        mainFrame->close();
    else
        quit();
}

int CKorvexProApp::Run() {
    const int code = exec();
    ExitInstance();
    return code;
}

int CKorvexProApp::ExitInstance() {
    if (exited) return 0;
    exited = true;
    // The windows go first: each view stops its upload worker, and the frame
    // list writes out its real-time save when it is destroyed.
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
    XTPSetUiServices(nullptr);
    services.reset();
    XTPResourceManager()->Close();
    return 0;
}

}  // namespace korvex::shell
