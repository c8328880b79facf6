#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "pipeusb/PipeUsbBackend.h"

namespace pipeusb {

// One transfer as the trace shows it.
struct TracedTransfer {
    std::uint32_t recorder;  // device index the pipe was opened with
    std::string_view pipe;   // "PIPE07"
    bool in;
    std::uint32_t moved;  // bytes that went out or came in
    std::uint32_t asked;
    const std::uint8_t* bytes;  // the packet written, or the bytes read
    TransferError error;
};

// How many leading bytes a trace line shows.
inline constexpr std::uint32_t kTracedBytes = 16;
static_assert(std::tuple_size_v<decltype(DrainReport::head)> == kTracedBytes);

// "recorder 0 OUT PIPE07 64/64: 7e 14 01 ..." or, for a failed transfer,
// "recorder 0 IN PIPE02 0/9605 timed out".
std::string TraceLine(const TracedTransfer& t);

// "recorder 0 IN PIPE02 drained 576 bytes after a time-out, then quiet for
// 1500 ms: 9e 17 ..." for a drain.
std::string DrainLine(std::uint32_t recorder, std::string_view pipe, const DrainReport& d);

}  // namespace pipeusb
