#pragma once

#include <cstdint>
#include <span>

#include "core/discover/MessageDiscovery.h"

namespace korvex::discover {

// At most this many frames of one identifier are kept for the analysis (8
// bytes each); the statistics and fields come from them.
inline constexpr std::int64_t kMaxAnalysedFrames = std::int64_t{1} << 20;
// Fewer frames than this, or fewer changes of the data, tell too little.
inline constexpr std::int64_t kDefaultMinFrames = 50;
inline constexpr std::int64_t kLeastChanges = 20;

// Finds the bit statistics, counters, checksum and fields of one identifier
// from its data words (little-endian, byte 0 lowest) in frame order. `frames`
// is how many frames it had in all, `data` the first of them.
MessageDiscovery AnalyseMessage(const MessageKey& key, std::span<const std::uint64_t> data,
                                std::int64_t frames, std::int64_t minFrames);

}  // namespace korvex::discover
