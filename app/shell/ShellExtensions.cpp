#include "app/shell/ShellExtensions.h"

#include "app/shell/ChildFrame.h"
#include "app/shell/KorvexView.h"
#include "app/shell/MainFrame.h"
#include "app/shell/OtherFormatCommands.h"

namespace korvex::shell {

// Until a folder adds its windows, its commands stay disabled (no handler)
// and its panes show their titles.
void InstallViewCommands(CKorvexView& view) {
    InstallOtherFormatCommands(view);
}

void InstallPaneContents(CChildFrame&) {}

void InstallMainFrameWindows(CMainFrame&) {}

}  // namespace korvex::shell
