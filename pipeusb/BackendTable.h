#pragma once

#include <array>
#include <string_view>

#include "pipeusb/PipeUsbBackend.h"
#include "pipeusb/sim/SimBackend.h"
#include "pipeusb/usb/UsbBackend.h"

namespace pipeusb {

// The back ends PIPEUSB_BACKEND can name. Each is created on first use and
// lives until the process ends.
struct BackendEntry {
    std::string_view name;
    CPipeUsbBackend& (*instance)();
};

inline constexpr std::array<BackendEntry, 2> kBackends{{
    {"usb", []() -> CPipeUsbBackend& { return UsbBackend(); }},
    {"sim", []() -> CPipeUsbBackend& { return SimBackend(); }},
}};

inline constexpr std::string_view kDefaultBackend = "usb";

// The entry named `name`; null for an unknown name.
inline const BackendEntry* FindBackend(std::string_view name) {
    for (const BackendEntry& e : kBackends)
        if (e.name == name) return &e;
    return nullptr;
}

}  // namespace pipeusb
