#include "app/device/DeviceCommands.h"

#include <QApplication>

#include "app/device/DlgConfig.h"
#include "app/device/DlgPreFrameSetting.h"
#include "app/device/DlgSure.h"
#include "app/device/rules/ClearRules.h"

namespace korvex::device {

void RunDeviceConfig(QWidget* parent, ::CANSetting& setting, const DeviceWait& deviceWait) {
    CDlgConfig dialog(setting, deviceWait, parent);
    dialog.exec();
}

void RunPresetFrames(QWidget* parent, ::CANSetting& setting, const DeviceWait& deviceWait) {
    CDlgPreFrameSetting dialog(setting, deviceWait, parent);
    dialog.exec();
}

void RunClearRecorder(QWidget* parent, const DeviceWait& deviceWait) {
    {
        CDlgSure sure(parent);
        if (sure.exec() != QDialog::Accepted) return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ClearOutcome outcome;
    {
        const std::unique_lock<std::mutex> recorder = deviceWait();
        if (!recorder.owns_lock()) {
            QApplication::restoreOverrideCursor();
            return;
        }
        outcome = ClearRecorder(0);
    }
    QApplication::restoreOverrideCursor();
    ShowDeviceMessage(parent, ClearOutcomeMessage(outcome, 0));
}

}  // namespace korvex::device
