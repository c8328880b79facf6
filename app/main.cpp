#include "app/shell/KorvexProApp.h"
#include "app/shell/OtherFormatCommands.h"
#include "core/ProgramGlobal.h"

int main(int argc, char** argv) {
    // The global state exists before the application and is written after it.
    CKorvexGlobal& global = ProgramGlobal();
    korvex::shell::CKorvexProApp app(argc, argv, global);
    if (!app.InitInstance()) return 1;
    korvex::shell::OpenFileArgument(app.Shell(), global, app.arguments());
    return app.Run();
}
