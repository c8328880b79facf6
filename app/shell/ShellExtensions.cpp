#include "app/shell/ShellExtensions.h"

#include "app/device/DeviceCommands.h"
#include "app/shell/ChildFrame.h"
#include "app/shell/DeviceWait.h"
#include "app/shell/KorvexView.h"
#include "app/shell/MainFrame.h"
#include "core/KorvexGlobal.h"

namespace korvex::shell {

// Until a folder adds its windows, its commands stay disabled (no handler)
// and its panes show their titles.
void InstallViewCommands(CKorvexView& view) {
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

void InstallPaneContents(CChildFrame&) {}

void InstallMainFrameWindows(CMainFrame&) {}

}  // namespace korvex::shell
