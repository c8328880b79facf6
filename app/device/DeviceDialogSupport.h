#pragma once

#include <QString>
#include <functional>
#include <mutex>
#include <string>

#include "app/device/rules/DeviceTexts.h"

class QWidget;

namespace korvex::device {

// Takes the recorder for one action of a window: the lock is held until the
// recorder is closed, and is not held when the recorder is busy. The shell
// gives its device gate, which says so while an upload's worker holds it.
using DeviceWait = std::function<std::unique_lock<std::mutex>()>;

// Shows a rule's message in a message box owned by `owner`.
int ShowDeviceMessage(QWidget* owner, const DeviceMessage& message);

inline QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace korvex::device
