// The exported C interface: each operation goes to the back end in use.

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "pipeusb/BackendTable.h"
#include "pipeusb/ExchangeTrace.h"
#include "pipeusb/include/pipeusb.h"
#include "pipeusb/include/pipeusb_diag.h"
#include "pipeusb/include/pipeusb_sim.h"

namespace {

using pipeusb::CPipeUsbBackend;

std::once_flag g_chosen;
std::atomic<CPipeUsbBackend*> g_backend{nullptr};

// The back end PIPEUSB_BACKEND names, chosen on first use; none for an
// unknown name, so that every operation fails instead of guessing.
CPipeUsbBackend* Backend() {
    std::call_once(g_chosen, [] {
        const char* name = std::getenv("PIPEUSB_BACKEND");
        const pipeusb::BackendEntry* entry =
            pipeusb::FindBackend(name != nullptr ? name : pipeusb::kDefaultBackend);
        CPipeUsbBackend* expected = nullptr;
        if (entry != nullptr) g_backend.compare_exchange_strong(expected, &entry->instance());
    });
    return g_backend.load();
}

// The exchange trace: where it goes, and the name and recorder of every open
// pipe so that a line can say which pipe moved the bytes.
class CTrace {
  public:
    CTrace() {
        const char* env = std::getenv("PIPEUSB_TRACE");
        if (env != nullptr && std::strcmp(env, "1") == 0) Set(&ToStderr, nullptr);
    }

    void Set(PipeUsbTraceSink sink, void* context) {
        std::lock_guard lock(mutex_);
        sink_ = sink;
        context_ = context;
        on_.store(sink != nullptr);
    }

    void PipeOpened(std::uint32_t handle, std::uint32_t recorder, const char* name) {
        if (handle == 0) return;
        std::lock_guard lock(mutex_);
        pipes_[handle] = Pipe{recorder, name};
    }

    void PipeClosed(std::uint32_t handle) {
        std::lock_guard lock(mutex_);
        pipes_.erase(handle);
    }

    void Exchanged(const pipeusb::PipeExchange& x, const pipeusb::ExchangeOutcome& outcome) {
        if (!on_.load()) return;
        std::lock_guard lock(mutex_);
        if (sink_ == nullptr) return;
        EmitDrain(x.readPipe, outcome.before);
        Emit(x.writePipe, false, *x.sent, x.writeLength, x.writeBuffer, outcome.write);
        // A read is never started after a failed write.
        if (outcome.write == pipeusb::TransferError::kNone)
            Emit(x.readPipe, true, *x.received, x.readLength, x.readBuffer, outcome.read);
        EmitDrain(x.readPipe, outcome.after);
    }

    void Drained(std::uint32_t handle, const pipeusb::DrainReport& report) {
        if (!on_.load()) return;
        std::lock_guard lock(mutex_);
        if (sink_ != nullptr) EmitDrain(handle, report);
    }

  private:
    struct Pipe {
        std::uint32_t recorder;
        std::string name;
    };

    static void ToStderr(const char* line, void*) { std::fprintf(stderr, "pipeusb: %s\n", line); }

    void Emit(std::uint32_t handle, bool in, std::uint32_t moved, std::uint32_t asked,
              const std::uint8_t* bytes, pipeusb::TransferError error) {
        const auto it = pipes_.find(handle);
        const std::string line = pipeusb::TraceLine(
            {it != pipes_.end() ? it->second.recorder : 0,
             it != pipes_.end() ? std::string_view(it->second.name) : std::string_view("?"), in,
             moved, asked, bytes, error});
        sink_(line.c_str(), context_);
    }

    void EmitDrain(std::uint32_t handle, const pipeusb::DrainReport& report) {
        if (report.reason == pipeusb::DrainReason::kNone) return;
        const auto it = pipes_.find(handle);
        const std::string line = pipeusb::DrainLine(
            it != pipes_.end() ? it->second.recorder : 0,
            it != pipes_.end() ? std::string_view(it->second.name) : std::string_view("?"), report);
        sink_(line.c_str(), context_);
    }

    std::mutex mutex_;
    std::atomic<bool> on_{false};
    PipeUsbTraceSink sink_ = nullptr;
    void* context_ = nullptr;
    std::map<std::uint32_t, Pipe> pipes_;
};

CTrace& Trace() {
    static CTrace trace;
    return trace;
}

}  // namespace

extern "C" {

uint32_t GetDeviceList(void) {
    CPipeUsbBackend* b = Backend();
    return b != nullptr ? b->GetDeviceList() : 0;
}

uint32_t GetDevCount(void) {
    CPipeUsbBackend* b = Backend();
    return b != nullptr ? b->GetDevCount() : 0;
}

uint32_t OpenDev(uint32_t devIndex) {
    CPipeUsbBackend* b = Backend();
    return b != nullptr ? b->OpenDev(devIndex) : 0;
}

uint32_t OpenPipe(uint32_t devIndex, const char* pipeName) {
    CPipeUsbBackend* b = Backend();
    pipeusb::DrainReport drained;
    const uint32_t handle = b != nullptr ? b->OpenPipe(devIndex, pipeName, drained) : 0;
    Trace().PipeOpened(handle, devIndex, pipeName);
    // An empty pipe at the open is the rule, not worth a line.
    if (drained.bytes > 0) Trace().Drained(handle, drained);
    return handle;
}

void ClosePipe(uint32_t* pipe) {
    if (pipe == nullptr) return;
    if (CPipeUsbBackend* b = Backend(); b != nullptr && *pipe != 0) b->ClosePipe(*pipe);
    Trace().PipeClosed(*pipe);
    *pipe = 0;
}

void CloseDev(uint32_t* dev) {
    if (dev == nullptr) return;
    if (CPipeUsbBackend* b = Backend(); b != nullptr && *dev != 0) b->CloseDev(*dev);
    *dev = 0;
}

uint32_t WritePipeFollowReadPipeImmediate(uint32_t readPipe, uint8_t* readBuffer,
                                          uint32_t readLength, uint32_t* received,
                                          uint32_t readTimeoutMs, uint32_t writePipe,
                                          const uint8_t* writeBuffer, uint32_t writeLength,
                                          uint32_t* sent, uint32_t writeTimeoutMs) {
    uint32_t receivedScratch = 0;
    uint32_t sentScratch = 0;
    const pipeusb::PipeExchange x{readPipe,
                                  readBuffer,
                                  readLength,
                                  received != nullptr ? received : &receivedScratch,
                                  readTimeoutMs,
                                  writePipe,
                                  writeBuffer,
                                  writeLength,
                                  sent != nullptr ? sent : &sentScratch,
                                  writeTimeoutMs};
    *x.received = 0;
    *x.sent = 0;
    CPipeUsbBackend* b = Backend();
    const pipeusb::ExchangeOutcome outcome =
        b != nullptr ? b->Exchange(x)
                     : pipeusb::ExchangeOutcome{pipeusb::TransferError::kNotSent,
                                                pipeusb::TransferError::kNone};
    Trace().Exchanged(x, outcome);
    return outcome.Succeeded() ? 1 : 0;
}

uint32_t PipeUsb_DrainPipe(uint32_t pipe) {
    CPipeUsbBackend* b = Backend();
    if (b == nullptr || pipe == 0) return 0;
    const pipeusb::DrainReport report = b->Drain(pipe);
    Trace().Drained(pipe, report);
    return report.bytes;
}

uint32_t PipeUsb_DescribeDev(uint32_t devIndex, PipeUsbDevInfo* info) {
    CPipeUsbBackend* b = Backend();
    if (info == nullptr || b == nullptr) return 0;
    *info = PipeUsbDevInfo{};
    return b->Describe(devIndex, *info) ? 1 : 0;
}

uint32_t PipeUsb_DevAttached(uint32_t dev) {
    CPipeUsbBackend* b = Backend();
    return b != nullptr && dev != 0 && b->DevAttached(dev) ? 1 : 0;
}

void PipeUsb_SetTrace(PipeUsbTraceSink sink, void* context) {
    Trace().Set(sink, context);
}

uint32_t PipeUsb_SelectBackend(const char* name) {
    Backend();  // settle the choice from the environment first, so it cannot override this
    const pipeusb::BackendEntry* entry = name != nullptr ? pipeusb::FindBackend(name) : nullptr;
    if (entry == nullptr) return 0;
    g_backend.store(&entry->instance());
    return 1;
}

uint32_t PipeUsbSim_Configure(const char* recorders) {
    Backend();  // settle the choice from the environment first, so it cannot override this
    if (!pipeusb::SimBackend().Configure(recorders != nullptr ? recorders : "demo")) return 0;
    g_backend.store(&pipeusb::SimBackend());
    return 1;
}

uint32_t PipeUsbSim_InjectFault(const PipeUsbSimFault* fault) {
    if (fault == nullptr || Backend() != &pipeusb::SimBackend()) return 0;
    return pipeusb::SimBackend().InjectFault(*fault) ? 1 : 0;
}

void PipeUsbSim_ClearFaults(void) {
    pipeusb::SimBackend().ClearFaults();
}

void PipeUsbSim_SetReplyScript(const uint8_t* bytes, uint32_t length) {
    pipeusb::SimBackend().SetReplyScript(bytes, length);
}

uint32_t PipeUsbSim_ExchangeCount(uint32_t device, uint8_t command) {
    if (Backend() != &pipeusb::SimBackend()) return 0;
    return pipeusb::SimBackend().ExchangeCount(device, command);
}

void PipeUsbSim_SetClock(PipeUsbSimClock now, void* context) {
    pipeusb::SimBackend().SetClock(now, context);
}

}  // extern "C"
