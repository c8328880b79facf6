#include "logport/LogportApp.h"

#include <algorithm>
#include <iterator>

#include "pipeusb/include/pipeusb.h"

namespace logport {

namespace {

// Device type codes the library answers to; the program passes LGP_DEVTYPE.
constexpr std::uint32_t kDevTypes[] = {20, LGP_DEVTYPE};

}  // namespace

bool CLogportApp::IsKnownDevice(std::uint32_t devType, std::uint32_t devIndex) {
    if (std::find(std::begin(kDevTypes), std::end(kDevTypes), devType) == std::end(kDevTypes))
        return false;
    const std::uint32_t count = GetDevCount();
    return count != 0 && devIndex <= count - 1;
}

bool CLogportApp::OpenDevice(std::uint32_t devType, std::uint32_t devIndex) {
    if (GetDeviceList() != 1 || GetDevCount() == 0) return false;
    if (!IsKnownDevice(devType, devIndex)) return false;
    // A second open overwrites the handles without closing the old ones, and a
    // failed open keeps what it opened: the caller always closes afterwards.
    pipes.dwDevice = OpenDev(devIndex);
    bool allOpen = pipes.dwDevice != 0;
    for (std::size_t i = 0; i < kPipeCount; ++i) {
        pipes.dwPipes[i] = OpenPipe(devIndex, kPipeNames[i]);
        allOpen = allOpen && pipes.dwPipes[i] != 0;
    }
    return allOpen;
}

bool CLogportApp::CloseDevice(std::uint32_t devType, std::uint32_t devIndex) {
    if (!IsKnownDevice(devType, devIndex)) return false;
    // Closed means no handles: a stale one must never reach a pipe or device
    // that PipeUsb hands out again later.
    for (std::uint32_t& pipe : pipes.dwPipes) {
        ClosePipe(&pipe);
        pipe = 0;
    }
    CloseDev(&pipes.dwDevice);
    pipes.dwDevice = 0;
    return true;
}

CLogportApp& TheApp() {
    static CLogportApp app;
    return app;
}

}  // namespace logport
