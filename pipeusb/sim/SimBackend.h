#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "pipeusb/PipeUsbBackend.h"
#include "pipeusb/include/pipeusb_sim.h"
#include "pipeusb/sim/FaultPlan.h"
#include "pipeusb/sim/VirtualRecorder.h"

namespace pipeusb {

// The "sim" back end: virtual recorders attached in-process, with the test
// controls of pipeusb_sim.h (fault injection, reply script, clock). One mutex
// guards all of it; sleeps (latency, delayed replies) happen outside it.
class CSimBackend final : public CPipeUsbBackend {
  public:
    CSimBackend();

    std::uint32_t GetDeviceList() override;
    std::uint32_t GetDevCount() override;
    std::uint32_t OpenDev(std::uint32_t devIndex) override;
    std::uint32_t OpenPipe(std::uint32_t devIndex, const char* pipeName,
                           DrainReport& drained) override;
    void ClosePipe(std::uint32_t pipe) override;
    void CloseDev(std::uint32_t dev) override;
    ExchangeOutcome Exchange(const PipeExchange& x) override;
    DrainReport Drain(std::uint32_t pipe) override;
    bool Describe(std::uint32_t devIndex, PipeUsbDevInfo& info) override;
    bool DevAttached(std::uint32_t dev) override;

    // `recorders`: "demo", "empty" or image paths, separated by ';'. Nothing
    // changes when an image cannot be read (result false).
    bool Configure(const std::string& recorders);
    bool InjectFault(const PipeUsbSimFault& fault);
    void ClearFaults();
    void SetReplyScript(const std::uint8_t* bytes, std::uint32_t length);
    std::uint32_t ExchangeCount(std::uint32_t device, std::uint8_t command);
    void SetClock(PipeUsbSimClock now, void* context);

  private:
    struct Recorder {
        std::unique_ptr<CVirtualRecorder> model;
        std::string name;  // its entry in the recorder list
        bool unplugged = false;
        std::array<std::uint32_t, 256> exchanges{};  // per command code
    };
    struct Pipe {
        std::size_t recorder;
        int number;
    };
    // What the faults do to one exchange.
    struct FaultEffect {
        bool unplug = false;
        bool noReply = false;
        bool wrongEcho = false;
        bool statusError = false;
        std::uint64_t delayMs = 0;
    };

    bool ConfigureLocked(const std::string& recorders);
    void EnsureConfiguredLocked();
    FaultEffect TakeFaultsLocked(std::size_t recorder, std::uint8_t command);
    std::uint64_t NowMsLocked() const;
    const Pipe* FindPipeLocked(std::uint32_t handle) const;
    ExchangeOutcome ScriptExchangeLocked(const PipeExchange& x);

    std::mutex mutex_;
    bool configured_ = false;
    bool listReadable_ = true;  // false while PIPEUSB_SIM names an unreadable image
    std::vector<Recorder> recorders_;
    std::vector<std::size_t> attached_;  // device index -> recorder, unplugged ones left out
    std::map<std::uint32_t, std::size_t> devices_;  // handle -> recorder
    std::map<std::uint32_t, Pipe> pipes_;
    // Handles are never reused, so a stale one cannot reach a new recorder.
    std::uint32_t nextHandle_ = 1;
    CFaultPlan faults_;
    std::optional<std::vector<std::uint8_t>> script_;
    std::size_t scriptPos_ = 0;
    std::uint32_t latencyMs_ = 0;
    PipeUsbSimClock clock_ = nullptr;
    void* clockContext_ = nullptr;
    std::array<std::uint8_t, kBulkReplySize> reply_{};
};

// The process's one sim back end.
CSimBackend& SimBackend();

}  // namespace pipeusb
