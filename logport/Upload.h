#pragma once

// Reading the recorder's memory: the upload of all records in blocks of 400
// and the clock record list.

#include <cstdint>
#include <memory>

#include "core/frame/CanObj.h"
#include "logport/LogportApp.h"

namespace logport {

inline constexpr std::uint32_t kBlockRecords = 400;
inline constexpr std::uint32_t kAttempts = 3;

// Uploads every record. Null, with the counters as they stood at the failure
// and the cancel flag cleared, when the count fails three times. A cancel
// ends the upload with the blocks received so far as a normal result. A block
// that fails three times (the recorder pulled out or no longer answering)
// ends it with the blocks received before, the cancel flag cleared and the
// total counter left standing.
std::unique_ptr<_VCI_CAN_OBJ[]> LoadFrames(const PipeSet& pipes, UploadCounters& counters,
                                           std::uint32_t& count);

// Reads the clock record list (one attempt); null on failure.
std::unique_ptr<_VCI_CAN_OBJ[]> LoadClockList(const PipeSet& pipes, std::uint8_t& count);

}  // namespace logport
