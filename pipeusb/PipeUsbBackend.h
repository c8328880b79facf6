#pragma once

#include <cstdint>

namespace pipeusb {

// One write-then-read exchange, the arguments of
// WritePipeFollowReadPipeImmediate. `received` and `sent` are never null here.
struct PipeExchange {
    std::uint32_t readPipe;
    std::uint8_t* readBuffer;
    std::uint32_t readLength;
    std::uint32_t* received;
    std::uint32_t readTimeoutMs;  // 0: no time-out
    std::uint32_t writePipe;
    const std::uint8_t* writeBuffer;
    std::uint32_t writeLength;
    std::uint32_t* sent;
    std::uint32_t writeTimeoutMs;
};

// A way of reaching recorders: real ones over USB or virtual ones in-process.
// Handles are non-zero on success; every call is safe from any thread.
class CPipeUsbBackend {
  public:
    virtual ~CPipeUsbBackend() = default;
    virtual std::uint32_t GetDeviceList() = 0;
    virtual std::uint32_t GetDevCount() = 0;
    virtual std::uint32_t OpenDev(std::uint32_t devIndex) = 0;
    virtual std::uint32_t OpenPipe(std::uint32_t devIndex, const char* pipeName) = 0;
    virtual void ClosePipe(std::uint32_t pipe) = 0;
    virtual void CloseDev(std::uint32_t dev) = 0;
    virtual std::uint32_t Exchange(const PipeExchange& x) = 0;
};

}  // namespace pipeusb
