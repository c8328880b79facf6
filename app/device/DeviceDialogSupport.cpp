#include "app/device/DeviceDialogSupport.h"

#include "app/services/WindowHandle.h"
#include "xtp/XTPUiServices.h"

namespace korvex::device {

int ShowDeviceMessage(QWidget* owner, const DeviceMessage& message) {
    return XTPUiServices().MessageBox(ToCWnd(owner), message.text, message.caption, message.type);
}

}  // namespace korvex::device
