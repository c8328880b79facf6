#include "pipeusb/sim/SimBackend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "pipeusb/PipeName.h"
#include "pipeusb/sim/DemoRecording.h"
#include "pipeusb/sim/RecorderRoute.h"

namespace pipeusb {

namespace {

constexpr std::uint32_t kMaxLatencyMs = 60000;

std::vector<std::string> SplitRecorders(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::uint32_t LatencyFromEnvironment() {
    const char* text = std::getenv("PIPEUSB_SIM_LATENCY_MS");
    if (text == nullptr) return 0;
    char* end = nullptr;
    const unsigned long ms = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0') return 0;
    return static_cast<std::uint32_t>(std::min<unsigned long>(ms, kMaxLatencyMs));
}

// A command code other than `code`, as a reply for a different request would
// carry.
std::uint8_t OtherCommand(std::uint8_t code) {
    if (code < kCmdWriteBaseInfo || code >= kCmdClockList) return kCmdWriteBaseInfo;
    return static_cast<std::uint8_t>(code + 1);
}

void SleepMs(std::uint64_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

CSimBackend::CSimBackend() = default;

CSimBackend& SimBackend() {
    static CSimBackend backend;
    return backend;
}

bool CSimBackend::Configure(const std::string& recorders) {
    std::lock_guard lock(mutex_);
    return ConfigureLocked(recorders);
}

bool CSimBackend::ConfigureLocked(const std::string& recorders) {
    std::vector<Recorder> created;
    for (const std::string& entry : SplitRecorders(recorders)) {
        Recorder r;
        r.name = entry;
        if (entry == "demo") {
            r.model = std::make_unique<CVirtualRecorder>(DemoRecording());
        } else if (entry == "empty") {
            r.model = std::make_unique<CVirtualRecorder>(EmptyRecording());
        } else {
            std::optional<RecorderImage> image = LoadRecorderImage(entry);
            if (!image) return false;
            r.model = std::make_unique<CVirtualRecorder>(std::move(*image), entry);
        }
        created.push_back(std::move(r));
    }
    recorders_ = std::move(created);
    attached_.clear();
    for (std::size_t i = 0; i < recorders_.size(); ++i) attached_.push_back(i);
    devices_.clear();
    pipes_.clear();
    faults_.Clear();
    script_.reset();
    scriptPos_ = 0;
    latencyMs_ = LatencyFromEnvironment();
    configured_ = true;
    listReadable_ = true;
    return true;
}

void CSimBackend::EnsureConfiguredLocked() {
    if (configured_) return;
    const char* text = std::getenv("PIPEUSB_SIM");
    if (ConfigureLocked(text != nullptr ? text : "demo")) return;
    // An unreadable image: no recorders, and the device list reports the failure.
    ConfigureLocked("");
    listReadable_ = false;
}

std::uint32_t CSimBackend::GetDeviceList() {
    std::lock_guard lock(mutex_);
    EnsureConfiguredLocked();
    attached_.clear();
    for (std::size_t i = 0; i < recorders_.size(); ++i)
        if (!recorders_[i].unplugged) attached_.push_back(i);
    return listReadable_ ? 1 : 0;
}

std::uint32_t CSimBackend::GetDevCount() {
    std::lock_guard lock(mutex_);
    EnsureConfiguredLocked();
    return static_cast<std::uint32_t>(attached_.size());
}

std::uint32_t CSimBackend::OpenDev(std::uint32_t devIndex) {
    std::lock_guard lock(mutex_);
    EnsureConfiguredLocked();
    if (devIndex >= attached_.size()) return 0;
    const std::uint32_t handle = nextHandle_++;
    devices_.emplace(handle, attached_[devIndex]);
    return handle;
}

std::uint32_t CSimBackend::OpenPipe(std::uint32_t devIndex, const char* pipeName, DrainReport&) {
    std::lock_guard lock(mutex_);
    EnsureConfiguredLocked();
    const int number = PipeNumber(pipeName);
    if (number < 0 || devIndex >= attached_.size()) return 0;
    const std::size_t recorder = attached_[devIndex];
    const bool open = std::any_of(devices_.begin(), devices_.end(),
                                  [&](const auto& d) { return d.second == recorder; });
    if (!open) return 0;
    const std::uint32_t handle = nextHandle_++;
    pipes_.emplace(handle, Pipe{recorder, number});
    return handle;
}

void CSimBackend::ClosePipe(std::uint32_t pipe) {
    std::lock_guard lock(mutex_);
    pipes_.erase(pipe);
}

void CSimBackend::CloseDev(std::uint32_t dev) {
    std::lock_guard lock(mutex_);
    const auto it = devices_.find(dev);
    if (it == devices_.end()) return;
    const std::size_t recorder = it->second;
    devices_.erase(it);
    // The recorder's pipes go with its last device handle.
    const bool stillOpen = std::any_of(devices_.begin(), devices_.end(),
                                       [&](const auto& d) { return d.second == recorder; });
    if (stillOpen) return;
    std::erase_if(pipes_, [&](const auto& p) { return p.second.recorder == recorder; });
}

const CSimBackend::Pipe* CSimBackend::FindPipeLocked(std::uint32_t handle) const {
    const auto it = pipes_.find(handle);
    return it == pipes_.end() ? nullptr : &it->second;
}

std::uint64_t CSimBackend::NowMsLocked() const {
    if (clock_ != nullptr) return clock_(clockContext_);
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

CSimBackend::FaultEffect CSimBackend::TakeFaultsLocked(std::size_t recorder, std::uint8_t command) {
    FaultEffect effect;
    faults_.Take(recorder, command, [&](const CFaultPlan::Fault& f) {
        switch (f.kind) {
            case PIPEUSB_SIM_UNPLUG:
                effect.unplug = true;
                break;
            case PIPEUSB_SIM_NO_REPLY:
                effect.noReply = true;
                break;
            case PIPEUSB_SIM_WRONG_ECHO:
                effect.wrongEcho = true;
                break;
            case PIPEUSB_SIM_STATUS_ERROR:
                effect.statusError = true;
                break;
            case PIPEUSB_SIM_DELAY:
                effect.delayMs += f.delayMs;
                break;
            default:
                break;
        }
    });
    return effect;
}

ExchangeOutcome CSimBackend::ScriptExchangeLocked(const PipeExchange& x) {
    *x.sent = x.writeLength;
    const std::size_t left = script_->size() - scriptPos_;
    const std::size_t n = std::min<std::size_t>(x.readLength, left);
    if (n > 0) std::memcpy(x.readBuffer, script_->data() + scriptPos_, n);
    scriptPos_ += n;
    *x.received = static_cast<std::uint32_t>(n);
    return {TransferError::kNone, n > 0 ? TransferError::kNone : TransferError::kTimeout};
}

DrainReport CSimBackend::Drain(std::uint32_t) {
    // A virtual recorder's reply is never left behind: a lost one is gone.
    return {DrainReason::kAsked};
}

ExchangeOutcome CSimBackend::Exchange(const PipeExchange& x) {
    constexpr ExchangeOutcome kNotSent{TransferError::kNotSent, TransferError::kNone};
    *x.received = 0;
    *x.sent = 0;
    if ((x.readBuffer == nullptr && x.readLength > 0) ||
        (x.writeBuffer == nullptr && x.writeLength > 0))
        return kNotSent;

    std::unique_lock lock(mutex_);
    EnsureConfiguredLocked();
    const Pipe* out = FindPipeLocked(x.writePipe);
    const Pipe* in = FindPipeLocked(x.readPipe);
    if (out == nullptr || in == nullptr || out->recorder != in->recorder) return kNotSent;
    const std::optional<RecorderRoute> route = RouteOfOutPipe(out->number);
    const PipeRole inRole = RoleOfPipe(in->number);
    if (!route || (inRole != PipeRole::CommandIn && inRole != PipeRole::BulkIn)) return kNotSent;
    Recorder& recorder = recorders_[out->recorder];
    if (recorder.unplugged) return {TransferError::kNoDevice, TransferError::kNone};
    if (script_) return ScriptExchangeLocked(x);

    const std::uint8_t command = x.writeLength >= 2 ? x.writeBuffer[1] : 0;
    const FaultEffect effect = TakeFaultsLocked(out->recorder, command);
    if (effect.unplug) {
        recorder.unplugged = true;
        std::erase(attached_, out->recorder);
        return {TransferError::kNoDevice, TransferError::kNone};
    }

    const std::size_t replySize = recorder.model->Answer(
        route->channel, x.writeBuffer, x.writeLength, NowMsLocked(), reply_.data());
    ++recorder.exchanges[command];
    *x.sent = x.writeLength;
    if (effect.wrongEcho) reply_[1] = OtherCommand(command);
    if (effect.statusError) reply_[2] |= 0x80;

    // A read on the other channel's IN pipe sees nothing.
    constexpr ExchangeOutcome kNoReply{TransferError::kNone, TransferError::kTimeout};
    if (effect.noReply || in->number != route->replyPipe) return kNoReply;

    const std::uint64_t delayMs = latencyMs_ + effect.delayMs;
    const bool timedOut = x.readTimeoutMs != 0 && delayMs > x.readTimeoutMs;
    const std::size_t n = std::min<std::size_t>(replySize, x.readLength);
    if (delayMs == 0) {
        std::memcpy(x.readBuffer, reply_.data(), n);
    } else {
        // Wait without holding the lock; the reply is ours meanwhile.
        std::vector<std::uint8_t> pending(reply_.begin(), reply_.begin() + n);
        lock.unlock();
        SleepMs(timedOut ? x.readTimeoutMs : delayMs);
        if (timedOut) return kNoReply;
        std::memcpy(x.readBuffer, pending.data(), n);
    }
    *x.received = static_cast<std::uint32_t>(n);
    // A buffer too small for the reply overflows, as a USB read would.
    if (n != replySize) return {TransferError::kNone, TransferError::kOverflow};
    return {};
}

bool CSimBackend::Describe(std::uint32_t devIndex, PipeUsbDevInfo& info) {
    std::lock_guard lock(mutex_);
    EnsureConfiguredLocked();
    if (devIndex >= attached_.size()) return false;
    const std::size_t recorder = attached_[devIndex];
    info.access = PIPEUSB_ACCESS_OK;
    info.bus = 0;
    info.address = static_cast<std::uint32_t>(recorder + 1);
    // A virtual recorder is known by its entry in the list: "demo", "empty" or
    // the image's file name.
    const std::string& name = recorders_[recorder].name;
    const std::string shown = name.substr(name.find_last_of('/') + 1);
    std::snprintf(info.location, sizeof info.location, "%s", shown.c_str());
    return true;
}

bool CSimBackend::DevAttached(std::uint32_t dev) {
    std::lock_guard lock(mutex_);
    const auto it = devices_.find(dev);
    return it != devices_.end() && !recorders_[it->second].unplugged;
}

bool CSimBackend::InjectFault(const PipeUsbSimFault& fault) {
    std::lock_guard lock(mutex_);
    EnsureConfiguredLocked();
    if (fault.kind < PIPEUSB_SIM_NO_REPLY || fault.kind > PIPEUSB_SIM_UNPLUG ||
        fault.device >= recorders_.size())
        return false;
    // An unplug lasts: the recorder does not come back.
    faults_.Add(CFaultPlan::Fault{fault.kind, fault.device, fault.command, fault.skip, fault.count,
                                  fault.kind == PIPEUSB_SIM_UNPLUG, fault.delayMs});
    return true;
}

void CSimBackend::ClearFaults() {
    std::lock_guard lock(mutex_);
    faults_.Clear();
}

void CSimBackend::SetReplyScript(const std::uint8_t* bytes, std::uint32_t length) {
    std::lock_guard lock(mutex_);
    EnsureConfiguredLocked();
    scriptPos_ = 0;
    if (bytes == nullptr)
        script_.reset();
    else
        script_.emplace(bytes, bytes + length);
}

std::uint32_t CSimBackend::ExchangeCount(std::uint32_t device, std::uint8_t command) {
    std::lock_guard lock(mutex_);
    EnsureConfiguredLocked();
    if (device >= recorders_.size()) return 0;
    const auto& counts = recorders_[device].exchanges;
    if (command != 0) return counts[command];
    std::uint32_t total = 0;
    for (std::uint32_t c : counts) total += c;
    return total;
}

void CSimBackend::SetClock(PipeUsbSimClock now, void* context) {
    std::lock_guard lock(mutex_);
    clock_ = now;
    clockContext_ = context;
}

}  // namespace pipeusb
