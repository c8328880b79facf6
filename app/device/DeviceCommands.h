#pragma once

#include "app/device/DeviceDialogSupport.h"
#include "core/CanSetting.h"

class QWidget;

// The view's device commands: 32771 the configuration dialog, 32793 the
// preset frames, 32805 clearing the recorder's memory.
namespace korvex::device {

inline constexpr std::uint32_t kCmdDeviceConfig = 32771;
inline constexpr std::uint32_t kCmdPresetFrames = 32793;
inline constexpr std::uint32_t kCmdClearRecorder = 32805;

void RunDeviceConfig(QWidget* parent, ::CANSetting& setting, const DeviceWait& deviceWait);
void RunPresetFrames(QWidget* parent, ::CANSetting& setting, const DeviceWait& deviceWait);
// After "是" in the confirmation, recorder 0's memory is cleared; "否" sends
// nothing.
void RunClearRecorder(QWidget* parent, const DeviceWait& deviceWait);

}  // namespace korvex::device
