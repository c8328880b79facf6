#include "app/device/rules/DeviceSession.h"

#include "logport/include/logport.h"

namespace korvex::device {

CDeviceSession::CDeviceSession(std::uint32_t index)
    : index(index), opened(LGP_OpenDevice(LGP_DEVTYPE, index, 0) != 0) {}

CDeviceSession::~CDeviceSession() {
    LGP_CloseDevice(LGP_DEVTYPE, index);
}

}  // namespace korvex::device
