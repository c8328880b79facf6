#pragma once

// The recorder connection: the device handle and the eight pipes, opened in
// this table order and closed in the same order. Only four carry traffic.

#include <array>
#include <cstddef>
#include <cstdint>

namespace logport {

inline constexpr std::size_t kPipeCount = 8;
inline constexpr std::array<const char*, kPipeCount> kPipeNames = {
    "PIPE00", "PIPE01", "PIPE06", "PIPE07", "PIPE02", "PIPE03", "PIPE08", "PIPE09"};

// Slots of the traffic pipes in kPipeNames.
inline constexpr std::size_t kCommandIn = 2;   // "PIPE06": 64-byte replies
inline constexpr std::size_t kCommandOut = 3;  // "PIPE07": command and long bulk packets
inline constexpr std::size_t kBulkIn = 4;      // "PIPE02": 9605-byte bulk replies
inline constexpr std::size_t kBulkOut = 5;     // "PIPE03": short bulk packets

struct PipeSet {
    std::uint32_t dwDevice = 0;  // 0 = not open
    std::array<std::uint32_t, kPipeCount> dwPipes{};
};

}  // namespace logport
