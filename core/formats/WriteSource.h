#pragma once

#include <string>
#include <vector>

#include "core/FrameRowText.h"
#include "core/frame/CanObj.h"
#include "core/frame/CycleBuffer.h"
#include "core/frame/OrigTimeEntry.h"

namespace korvex::formats {

// What a writer writes: the frames of a frame store with the clock list their
// indices point into, and, for the exports that show the frame list's
// columns, the captions and the row texts' context.
struct WriteSource {
    const std::vector<OrigTimeEntry>& origTimeList;
    CCycleBuffer<_VCI_CAN_OBJ>& frameStore;
    const std::vector<std::string>& captions;
    ExportRowContext rowContext;
};

// Records that the logs of other tools carry: everything but clock records,
// and event records only when they are wanted.
inline bool IsLoggedRecord(const _VCI_CAN_OBJ& frame, bool withEvents) {
    const std::uint8_t event = EventCode(frame);
    return event == 0 || (withEvents && event != kEventClockRecord);
}

}  // namespace korvex::formats
