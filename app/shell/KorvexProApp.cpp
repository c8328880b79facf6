#include "app/shell/KorvexProApp.h"

#include <QIcon>
#include <QStyleFactory>
#include <clocale>

#include "app/shell/KorvexShell.h"

namespace korvex::shell {

CKorvexProApp::CKorvexProApp(int& argc, char** argv, CKorvexGlobal& global)
    : QApplication(argc, argv) {
    // QApplication takes the desktop's locale for every category; numbers in
    // files and texts stay in the C form (no decimal comma).
    std::setlocale(LC_NUMERIC, "C");
    setOrganizationName(QStringLiteral("Korvex"));
    setApplicationName(QStringLiteral("KorvexPro"));
    setQuitOnLastWindowClosed(true);
    setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    shell = new CKorvexShell(global, true, this);
    // Every loop ends, nested ones included, however the quit was asked for.
    connect(shell, &CKorvexShell::quitRequested, this, [this] {
        if (running) exit(0);
    });
}

CKorvexProApp::~CKorvexProApp() {
    shell->ExitInstance();
}

bool CKorvexProApp::InitInstance() {
    if (!shell->InitInstance()) return false;
    setWindowIcon(QIcon(QStringLiteral(":/icons/korvex.svg")));
    return true;
}

int CKorvexProApp::Run() {
    int code = 0;
    if (!shell->Quitting()) {
        running = true;
        code = exec();
        running = false;
    }
    shell->ExitInstance();
    return code;
}

}  // namespace korvex::shell
