#pragma once

#include <array>
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

// Why bytes that no request of ours waits for were read off an IN endpoint
// and thrown away.
enum class DrainReason {
    kNone,
    kOpened,         // left from before the pipe was opened
    kUnasked,        // came while no request was out
    kAfterTimeout,   // a reply may still have been on its way
    kAfterOverflow,  // the rest of a reply longer than asked
    kAsked,          // the caller found a reply that was not to its request
};

// One drain: how much it threw away and what that began with.
struct DrainReport {
    DrainReason reason = DrainReason::kNone;
    std::uint32_t bytes = 0;
    std::uint32_t quietMs = 0;  // how long the pipe had to stay quiet at the end
    std::array<std::uint8_t, 16> head{};
};

// How an exchange ended: the write first, then the read. The exchange
// succeeds when both transfers did. Drains before the write and after the
// read are reported beside them.
struct ExchangeOutcome {
    ExchangeOutcome() = default;
    constexpr ExchangeOutcome(TransferError w, TransferError r) : write(w), read(r) {}

    TransferError write = TransferError::kNone;
    TransferError read = TransferError::kNone;
    DrainReport before;
    DrainReport after;
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
    // An IN pipe is drained of what an earlier user left in it; `drained`
    // says what came.
    virtual std::uint32_t OpenPipe(std::uint32_t devIndex, const char* pipeName,
                                   DrainReport& drained) = 0;
    virtual void ClosePipe(std::uint32_t pipe) = 0;
    virtual void CloseDev(std::uint32_t dev) = 0;
    virtual ExchangeOutcome Exchange(const PipeExchange& x) = 0;
    // Reads IN pipe `pipe` until it has stayed quiet for a grace period.
    virtual DrainReport Drain(std::uint32_t pipe) = 0;
    // False for an index beyond the list.
    virtual bool Describe(std::uint32_t devIndex, PipeUsbDevInfo& info) = 0;
    virtual bool DevAttached(std::uint32_t dev) = 0;
};

}  // namespace pipeusb
