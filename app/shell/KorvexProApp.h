#pragma once

#include <QApplication>

class CKorvexGlobal;

namespace korvex::shell {

class CKorvexShell;

// The application object: the desktop settings of the program (organisation
// "Korvex", Fusion style, C number format) around one CKorvexShell.
class CKorvexProApp : public QApplication {
    Q_OBJECT

  public:
    CKorvexProApp(int& argc, char** argv, CKorvexGlobal& global);
    ~CKorvexProApp() override;

    // Start-up of the windows; false when the program cannot start.
    bool InitInstance();
    // Runs the event loop (unless the program was ended before it could
    // start), then takes the windows down; the exit code.
    int Run();

    CKorvexShell& Shell() const { return *shell; }

  private:
    CKorvexShell* shell;
    bool running = false;
};

}  // namespace korvex::shell
