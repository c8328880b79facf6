#pragma once

#include "core/formats/FrameClock.h"
#include "core/formats/WriteSource.h"

namespace korvex::formats {

// Where a log's times count from: the first clock entry, unless a logged
// record lies before it; then the whole second before the earliest one.
Ticks LogStartTime(const WriteSource& source, const CFrameClock& clock, bool withEvents);

}  // namespace korvex::formats
