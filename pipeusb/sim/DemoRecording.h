#pragma once

#include <cstdint>

#include "pipeusb/sim/RecorderImage.h"

namespace pipeusb {

// The "demo" recorder: a generated recording that looks like a day of a
// vehicle bus, the same bytes on every run. Five recording spans at different
// bit rates, each opened by a clock record (in the clock list and among the
// records) and closed by a 0xFE event; periodic standard and extended
// identifiers with rolling counters, checksums and slowly changing signals;
// remote requests with their answers; frames the recorder transmitted; now and
// then a controller error event (codes 225-230). About 200,000 records.
inline constexpr std::uint64_t kDemoSeed = 0x4B56524543ULL;

RecorderImage GenerateDemoRecording(std::uint64_t seed = kDemoSeed);

// The demo recording, generated once per process and then copied.
const RecorderImage& DemoRecording();

// A recorder fresh from the factory with nothing recorded.
RecorderImage EmptyRecording();

}  // namespace pipeusb
