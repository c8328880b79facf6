#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CanObj.h"
#include "OrigTimeEntry.h"

namespace korvex {

// Time since the recorder's time base, "hh:mm:ss.mmm.t", hours not wrapped.
// Empty when the frame's time stamp is not valid.
void FormatRelativeTime(const _VCI_CAN_OBJ& frame, std::string& text);

// Clock time of the frame relative to clock reference `clockIndex` (read as a
// signed byte), hours wrapped at 24. Without a usable reference the bare time
// stamp is shown. Callers skip frames whose clock index is 0xFF.
void FormatClockTime(const _VCI_CAN_OBJ& frame, std::uint8_t clockIndex,
                     const std::vector<OrigTimeEntry>& origTimeList, std::string& text);

}  // namespace korvex
