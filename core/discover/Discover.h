#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/FrameLines.h"
#include "core/SplitPass.h"
#include "core/discover/MessageAnalysis.h"

// Signals found without a database: one pass over the frames gathers each
// identifier's data, then each identifier is analysed on a core of its own.
namespace korvex::discover {

struct DiscoverOptions {
    std::int64_t minFrames = kDefaultMinFrames;
    std::vector<std::uint32_t> ids;  // only these identifiers; empty: all
};

// Whether a frame carries data to analyse: an ordinary data frame of 1 to 8
// bytes (no remote frame, no event record) whose identifier fits its format;
// a damaged file's larger identifiers could be no message of a database.
bool FrameHasData(const _VCI_CAN_OBJ& frame);

// The messages of a recording, sorted by identifier (standard before
// extended) and length. False when cancelled through `split`.
bool DiscoverMessages(const FrameView& frames, const DiscoverOptions& options,
                      const PassSplit& split, std::vector<MessageDiscovery>& out);
// The same over frames the caller holds, such as a selection.
bool DiscoverMessages(std::span<const _VCI_CAN_OBJ> frames, const DiscoverOptions& options,
                      const PassSplit& split, std::vector<MessageDiscovery>& out);

}  // namespace korvex::discover
