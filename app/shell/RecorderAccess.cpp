#include "app/shell/RecorderAccess.h"

#include <QApplication>
#include <QMainWindow>

#include "app/services/WindowHandle.h"
#include "app/shell/rules/DeviceGate.h"
#include "app/shell/rules/ShellIds.h"
#include "xtp/XTPResourceManager.h"
#include "xtp/XTPUiServices.h"

namespace korvex::shell {
namespace {

// The box belongs to the dialog the action came from, else to the main window.
QWidget* BusyBoxOwner() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(widget) &&
            widget->objectName() == QLatin1String("KorvexMainFrame"))
            return widget;
    return nullptr;
}

}  // namespace

std::unique_lock<std::mutex> TakeRecorder() {
    std::unique_lock<std::mutex> gate = CDeviceGate::TryEnter();
    if (!gate.owns_lock()) SayRecorderBusy();
    return gate;
}

void SayRecorderBusy() {
    // Some actions show the wait cursor before they ask for the recorder.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    XTPUiServices().MessageBox(ToCWnd(BusyBoxOwner()), XTPLoadString(res::kStrRecorderBusy),
                               XTPLoadString(res::kStrAppTitle),
                               xtp_mb::kOk | xtp_mb::kIconInformation);
    QApplication::restoreOverrideCursor();
}

}  // namespace korvex::shell
