#pragma once

#include <cstdint>

#include "pipeusb/include/pipeusb_diag.h"

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

// Why one transfer of an exchange did not complete.
enum class TransferError {
    kNone,
    kNotSent,   // the transfer was never started: a bad handle or argument
    kTimeout,   // nothing (more) came before the time-out
    kStall,     // the endpoint stalled (EPIPE)
    kNoDevice,  // the recorder is gone (ENODEV)
    kOverflow,  // more came than the read buffer holds
    kOther,
};

// How an exchange ended: the write first, then the read. The exchange
// succeeds when both transfers did.
struct ExchangeOutcome {
    TransferError write = TransferError::kNone;
    TransferError read = TransferError::kNone;
    bool Succeeded() const { return write == TransferError::kNone && read == TransferError::kNone; }
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
    virtual ExchangeOutcome Exchange(const PipeExchange& x) = 0;
    // False for an index beyond the list.
    virtual bool Describe(std::uint32_t devIndex, PipeUsbDevInfo& info) = 0;
    virtual bool DevAttached(std::uint32_t dev) = 0;
};

}  // namespace pipeusb
