#pragma once

#include <cstdint>
#include <vector>

#include "core/transport/TransportAssembler.h"

namespace korvex::transport {

// A fault code of one source while its DM1s list it without a break: from
// the first DM1 that lists it to the last one before a DM1 that does not.
struct DtcEpisode {
    std::uint8_t source = 0;
    std::uint32_t spn = 0;
    std::uint8_t fmi = 0;
    std::uint8_t occurrences = 0;  // in its last report
    std::int64_t first = 0;        // the last frame of its first DM1
    std::int64_t last = 0;         // the last frame of its last DM1
    std::int64_t reports = 0;
    bool activeAtEnd = false;  // the source's last DM1 of the recording lists it
    std::uint8_t lamps = 0;    // the lamp status of its last report
};

// The episodes of DM1 reports given in the order they arrived, sorted by
// first, then source, SPN and FMI.
std::vector<DtcEpisode> BuildDtcEpisodes(const std::vector<Dm1Report>& reports);

}  // namespace korvex::transport
