#include "app/shell/KorvexProApp.h"
#include "app/shell/KorvexShell.h"
#include "app/shell/OtherFormatCommands.h"
#include "app/shell/QuitSignals.h"
#include "core/ProgramGlobal.h"

int main(int argc, char** argv) {
    // From here on SIGTERM and SIGINT end the program the orderly way, also
    // before its windows exist.
    korvex::shell::CQuitSignals::Install();
    // The global state exists before the application and is written after it.
    CKorvexGlobal& global = ProgramGlobal();
    korvex::shell::CKorvexProApp app(argc, argv, global);
    if (!app.InitInstance()) return 1;
    if (!app.Shell().Quitting())
        korvex::shell::OpenFileArgument(app.Shell(), global, app.arguments());
    return app.Run();
}
