#include "app/shell/rules/DeviceGate.h"

namespace korvex::shell {

std::mutex& CDeviceGate::Mutex() {
    static std::mutex gate;
    return gate;
}

}  // namespace korvex::shell
