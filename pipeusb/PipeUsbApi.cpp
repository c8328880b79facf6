// The exported C interface: each operation goes to the back end in use.

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "pipeusb/BackendTable.h"
#include "pipeusb/include/pipeusb.h"
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
    return b != nullptr ? b->OpenPipe(devIndex, pipeName) : 0;
}

void ClosePipe(uint32_t* pipe) {
    if (pipe == nullptr) return;
    if (CPipeUsbBackend* b = Backend(); b != nullptr && *pipe != 0) b->ClosePipe(*pipe);
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
    CPipeUsbBackend* b = Backend();
    if (b == nullptr) {
        *x.received = 0;
        *x.sent = 0;
        return 0;
    }
    return b->Exchange(x);
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
