#pragma once

#include <string>
#include <vector>

#include "core/FrameRowText.h"
#include "core/formats/FrameChannels.h"
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
    // Each frame's channel, by its index in the store, where a conversion
    // keeps them; none (or none named) puts every frame on channel 1.
    const CFrameChannels* channels = nullptr;
};

inline bool HasChannels(const WriteSource& source) {
    return source.channels != nullptr && !source.channels->Empty();
}

// The channel number of the frame at `index` of the store.
inline int ChannelOf(const WriteSource& source, std::int64_t index) {
    return HasChannels(source) ? source.channels->NumberOf(index) : 1;
}

// Records that the logs of other tools carry: everything but clock records,
// and event records only when they are wanted.
inline bool IsLoggedRecord(const _VCI_CAN_OBJ& frame, bool withEvents) {
    const std::uint8_t event = EventCode(frame);
    return event == 0 || (withEvents && event != kEventClockRecord);
}

}  // namespace korvex::formats
