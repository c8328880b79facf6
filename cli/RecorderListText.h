#pragma once

#include <cstdint>
#include <string>

#include "pipeusb/include/pipeusb_diag.h"

namespace korvex::cli {

// One line of `korvex-cli devices`: the index -d takes, where the recorder is
// plugged in ("usb 1-1.4 (bus 1, device 7)", or "virtual recorder demo"),
// its serial number when it has one, and why it cannot be opened when it
// cannot.
std::string RecorderLine(std::uint32_t index, const PipeUsbDevInfo& info);

}  // namespace korvex::cli
