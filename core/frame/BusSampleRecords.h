#pragma once

#include <cstdint>

// Frames counted in one time interval of the bus analysis.
struct _tagBusFlowRecord {
    std::int32_t frameCount;
    std::int32_t reserved0;        // always 0
    std::int32_t reserved1;        // always 0
    std::int32_t clockIndex;       // clock index of a frame of the interval
    std::uint32_t startTimeStamp;  // TimeStamp of the interval's first frame, 0.1 ms
};

// Bus load of one interval, computed from the flow sample of the same interval.
struct _tagBusLoadRecord {
    std::int32_t loadPercent;  // 0 to 100
    std::uint32_t startTimeStamp;
};

// Error state of the bus over one interval. The global state keeps a buffer of
// these for a future status view; nothing fills it yet.
struct _tagBusStatusRecord {
    std::int32_t errorCount;
    std::uint32_t startTimeStamp;
};

static_assert(sizeof(_tagBusFlowRecord) == 20);
static_assert(sizeof(_tagBusLoadRecord) == 8);
