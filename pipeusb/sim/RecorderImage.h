#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pipeusb/sim/RecorderState.h"

namespace pipeusb {

// The recorder image file: a virtual recorder's configuration and memory.
//
//   0     8         "KVRIMG01"
//   8     30        base configuration
//   38    21        filter header (five u32 section offsets, enable byte)
//   59    2048      acceptance filter table
//   2107  144       six preset frames, recorder records
//   2251  4 + 24·C  C (u32), then C clock records
//   …     4 + 24·M  M (u32), then the M recorded records, in memory order
//
// Nothing may follow the records.
struct RecorderImage {
    RecorderConfig config;
    RecorderMemory memory;
};

inline constexpr std::size_t kImageFixedSize = 2251;
inline constexpr char kImageMagic[9] = "KVRIMG01";

// Reads an image from bytes; none when they are not a whole, well-formed image.
std::optional<RecorderImage> ParseRecorderImage(const std::uint8_t* data, std::size_t size);

std::vector<std::uint8_t> SerializeRecorderImage(const RecorderConfig& config,
                                                 const RecorderMemory& memory);

std::optional<RecorderImage> LoadRecorderImage(const std::string& path);

// Writes the image whole or not at all: a temporary file beside `path`, synced,
// then renamed over it. False when any step fails; `path` is then untouched.
bool SaveRecorderImage(const std::string& path, const RecorderConfig& config,
                       const RecorderMemory& memory);

}  // namespace pipeusb
