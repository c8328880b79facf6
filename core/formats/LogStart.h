#pragma once

#include "core/SplitPass.h"
#include "core/formats/FrameClock.h"
#include "core/formats/WriteSource.h"

namespace korvex::formats {

// Where a log's times count from: the first clock entry, unless a logged
// record lies before it; then the whole second before the earliest one. The
// frames are looked through on the cores as `split` says (its progress is not
// told).
Ticks LogStartTime(const WriteSource& source, const CFrameClock& clock, bool withEvents,
                   const PassSplit& split);

}  // namespace korvex::formats
