#include "pipeusb/usb/UsbBackend.h"

#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pipeusb/PipeName.h"
#include "pipeusb/usb/UsbLocation.h"

namespace pipeusb {

namespace {

constexpr int kInterface = 0;
constexpr int kFallbackMaxPacket = 64;
constexpr int kMaxPortDepth = 7;  // USB allows at most seven tiers

// A reply that missed its time-out comes within this, so an IN pipe that
// stayed quiet this long holds nothing more of an earlier request.
constexpr unsigned kQuietMs = 1500;
// What an earlier user left in an endpoint comes at once.
constexpr unsigned kOpenedWaitMs = 20;
// A device that never stops sending is not drained for ever.
constexpr auto kDrainLimit = std::chrono::seconds(6);
constexpr std::size_t kDrainChunk = 16384;

using Clock = std::chrono::steady_clock;

// The error a synchronous transfer would have given for an ended one.
int ErrorOfStatus(int status) {
    switch (status) {
        case LIBUSB_TRANSFER_TIMED_OUT:
            return LIBUSB_ERROR_TIMEOUT;
        case LIBUSB_TRANSFER_STALL:
            return LIBUSB_ERROR_PIPE;
        case LIBUSB_TRANSFER_NO_DEVICE:
            return LIBUSB_ERROR_NO_DEVICE;
        case LIBUSB_TRANSFER_OVERFLOW:
            return LIBUSB_ERROR_OVERFLOW;
        default:
            return LIBUSB_ERROR_IO;
    }
}

void Keep(DrainReport& report, const std::uint8_t* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n && report.bytes + i < report.head.size(); ++i)
        report.head[report.bytes + i] = bytes[i];
    report.bytes += static_cast<std::uint32_t>(n);
}

}  // namespace

CUsbBackend::OpenDevice::~OpenDevice() {
    lookouts.clear();  // their transfers end before the interface goes
    libusb_release_interface(handle, kInterface);
    libusb_close(handle);
    libusb_unref_device(device);
}

CUsbBackend::CUsbBackend() = default;

CUsbBackend::~CUsbBackend() {
    pipes_.clear();
    devices_.clear();
    for (libusb_device* d : list_) libusb_unref_device(d);
    if (context_ != nullptr) libusb_exit(context_);
}

CUsbBackend& UsbBackend() {
    static CUsbBackend backend;
    return backend;
}

bool CUsbBackend::StartLocked() {
    if (!startTried_) {
        startTried_ = true;
        const char* text = std::getenv("PIPEUSB_USB_IDS");
        auto ids = ParseUsbIds(text != nullptr ? text : kDefaultUsbIds);
        ids_ = ids ? *ids : *ParseUsbIds(kDefaultUsbIds);
        if (libusb_init(&context_) != LIBUSB_SUCCESS) context_ = nullptr;
    }
    return context_ != nullptr;
}

std::uint32_t CUsbBackend::GetDeviceList() {
    std::lock_guard lock(mutex_);
    if (!StartLocked()) return 1;  // no USB at all: an empty list
    libusb_device** all = nullptr;
    const ssize_t n = libusb_get_device_list(context_, &all);
    if (n < 0) return 0;
    for (libusb_device* d : list_) libusb_unref_device(d);
    list_.clear();
    for (ssize_t i = 0; i < n; ++i) {
        libusb_device_descriptor desc{};
        if (libusb_get_device_descriptor(all[i], &desc) != LIBUSB_SUCCESS) continue;
        const UsbId id{desc.idVendor, desc.idProduct};
        if (std::find(ids_.begin(), ids_.end(), id) == ids_.end()) continue;
        list_.push_back(libusb_ref_device(all[i]));
    }
    libusb_free_device_list(all, 1);
    return 1;
}

std::uint32_t CUsbBackend::GetDevCount() {
    std::lock_guard lock(mutex_);
    return static_cast<std::uint32_t>(list_.size());
}

std::shared_ptr<CUsbBackend::OpenDevice> CUsbBackend::FindOpenLocked(libusb_device* device) const {
    for (const auto& [handle, open] : devices_)
        if (open->device == device) return open;
    for (const auto& [handle, pipe] : pipes_)
        if (pipe.device->device == device) return pipe.device;
    return nullptr;
}

std::uint32_t CUsbBackend::OpenDev(std::uint32_t devIndex) {
    std::lock_guard lock(mutex_);
    if (devIndex >= list_.size()) return 0;
    libusb_device* device = list_[devIndex];
    std::shared_ptr<OpenDevice> open = FindOpenLocked(device);
    if (!open) {
        libusb_device_handle* handle = nullptr;
        if (libusb_open(device, &handle) != LIBUSB_SUCCESS) return 0;
        libusb_set_auto_detach_kernel_driver(handle, 1);  // not supported everywhere
        if (libusb_claim_interface(handle, kInterface) != LIBUSB_SUCCESS) {
            libusb_close(handle);
            return 0;
        }
        open = std::make_shared<OpenDevice>();
        open->device = libusb_ref_device(device);
        open->handle = handle;
    }
    const std::uint32_t id = nextHandle_++;
    devices_.emplace(id, open);
    return id;
}

std::uint32_t CUsbBackend::OpenPipe(std::uint32_t devIndex, const char* pipeName,
                                    DrainReport& drained) {
    Pipe pipe;
    std::uint32_t id = 0;
    {
        std::lock_guard lock(mutex_);
        const int number = PipeNumber(pipeName);
        if (number < 0 || devIndex >= list_.size()) return 0;
        std::shared_ptr<OpenDevice> open;
        for (const auto& [handle, d] : devices_)
            if (d->device == list_[devIndex]) open = d;
        if (!open) return 0;
        const std::uint8_t endpoint = EndpointOfPipe(number);
        int maxPacket = kFallbackMaxPacket;
        if (endpoint != 0) {
            // 512 at high speed, 64 at full speed: the descriptors say which.
            const int reported = libusb_get_max_packet_size(open->device, endpoint);
            if (reported > 0) maxPacket = reported;
        }
        id = nextHandle_++;
        pipe = Pipe{open, endpoint, maxPacket};
        pipes_.emplace(id, pipe);
    }
    if ((pipe.endpoint & LIBUSB_ENDPOINT_IN) != 0) {
        std::lock_guard link(pipe.device->link);
        auto& lookout = pipe.device->lookouts[pipe.endpoint];
        if (!lookout) {
            // A reply to a request of an earlier user is no reply to ours.
            drained = DrainIn(pipe, DrainReason::kOpened, kOpenedWaitMs, {});
            lookout = std::make_unique<CInLookout>(context_, pipe.device->handle, pipe.endpoint,
                                                   pipe.maxPacketSize);
        }
        Watch(pipe, 0);
    }
    return id;
}

void CUsbBackend::ClosePipe(std::uint32_t pipe) {
    std::lock_guard lock(mutex_);
    pipes_.erase(pipe);
}

void CUsbBackend::CloseDev(std::uint32_t dev) {
    std::lock_guard lock(mutex_);
    devices_.erase(dev);
}

TransferError CUsbBackend::Failure(const Pipe& pipe, int rc) {
    switch (rc) {
        case LIBUSB_ERROR_TIMEOUT:
            return TransferError::kTimeout;
        case LIBUSB_ERROR_PIPE:
            // The endpoint stays halted until the host clears it.
            libusb_clear_halt(pipe.device->handle, pipe.endpoint);
            return TransferError::kStall;
        case LIBUSB_ERROR_NO_DEVICE:
            pipe.device->gone.store(true);
            return TransferError::kNoDevice;
        case LIBUSB_ERROR_OVERFLOW:
            return TransferError::kOverflow;
        default:
            return TransferError::kOther;
    }
}

TransferError CUsbBackend::Write(const Pipe& out, const PipeExchange& x) {
    int transferred = 0;
    // libusb does not write to an OUT buffer.
    const int rc = libusb_bulk_transfer(
        out.device->handle, out.endpoint, const_cast<unsigned char*>(x.writeBuffer),
        static_cast<int>(x.writeLength), &transferred, x.writeTimeoutMs);
    *x.sent = static_cast<std::uint32_t>(std::max(transferred, 0));
    if (rc != LIBUSB_SUCCESS) return Failure(out, rc);
    return *x.sent == x.writeLength ? TransferError::kNone : TransferError::kOther;
}

TransferError CUsbBackend::Read(const Pipe& in, const PipeExchange& x, CInLookout* lookout) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(x.readTimeoutMs);
    const std::size_t packet = static_cast<std::size_t>(in.maxPacketSize);
    std::vector<std::uint8_t> spill;
    std::size_t got = 0;
    if (lookout != nullptr && lookout->Waiting() && x.readLength > 0) {
        // The transfer that waited since the last exchange takes the first
        // part of the reply, or all of it.
        int status = LIBUSB_TRANSFER_COMPLETED;
        const std::vector<std::uint8_t>& first =
            lookout->Await(x.readTimeoutMs != 0 ? deadline : Clock::time_point::max(), status);
        got = std::min<std::size_t>(first.size(), x.readLength);
        if (got > 0) std::memcpy(x.readBuffer, first.data(), got);
        *x.received = static_cast<std::uint32_t>(got);
        if (first.size() > x.readLength) return TransferError::kOverflow;
        // A waiting transfer longer than this reply ends only at its time-out
        // when the reply ends on a packet's end; the reply is whole all the same.
        if (status != LIBUSB_TRANSFER_COMPLETED && got < x.readLength)
            return Failure(in, ErrorOfStatus(status));
    }
    // A device may end a transfer early with a short packet and send the rest
    // of the reply in the next: reading goes on until the reply is whole or
    // the read time-out, counted from the first read, has passed.
    while (got < x.readLength) {
        unsigned int timeoutMs = 0;
        if (x.readTimeoutMs != 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return TransferError::kTimeout;
            timeoutMs = static_cast<unsigned int>(left.count());
        }
        // An IN transfer must span whole packets, or a full last packet
        // overflows.
        const std::size_t want = x.readLength - got;
        const std::size_t size = (want + packet - 1) / packet * packet;
        unsigned char* target = x.readBuffer + got;
        if (size != want) {
            spill.resize(size);
            target = spill.data();
        }
        int transferred = 0;
        const int rc = libusb_bulk_transfer(in.device->handle, in.endpoint, target,
                                            static_cast<int>(size), &transferred, timeoutMs);
        const std::size_t n = static_cast<std::size_t>(std::max(transferred, 0));
        const std::size_t kept = std::min(n, want);
        if (target != x.readBuffer + got && kept > 0) std::memcpy(x.readBuffer + got, target, kept);
        got += kept;
        *x.received = static_cast<std::uint32_t>(got);
        if (rc != LIBUSB_SUCCESS) return Failure(in, rc);
        if (n > want) return TransferError::kOverflow;
    }
    return TransferError::kNone;
}

DrainReport CUsbBackend::DrainIn(const Pipe& in, DrainReason reason, unsigned firstWaitMs,
                                 const std::vector<std::uint8_t>& caught) {
    DrainReport report;
    report.reason = reason;
    Keep(report, caught.data(), caught.size());
    const std::size_t packet = static_cast<std::size_t>(in.maxPacketSize);
    std::vector<std::uint8_t> buffer(kDrainChunk / packet * packet);
    const Clock::time_point end = Clock::now() + kDrainLimit;
    unsigned waitMs = caught.empty() ? firstWaitMs : kQuietMs;
    while (Clock::now() < end) {
        int transferred = 0;
        const int rc = libusb_bulk_transfer(in.device->handle, in.endpoint, buffer.data(),
                                            static_cast<int>(buffer.size()), &transferred, waitMs);
        const std::size_t n = static_cast<std::size_t>(std::max(transferred, 0));
        Keep(report, buffer.data(), n);
        if (n > 0 || rc == LIBUSB_SUCCESS || rc == LIBUSB_ERROR_OVERFLOW) {
            waitMs = kQuietMs;  // more may follow what came
            continue;
        }
        if (rc == LIBUSB_ERROR_TIMEOUT)
            report.quietMs = waitMs;
        else
            Failure(in, rc);  // a stall is cleared, a removal marked
        break;
    }
    return report;
}

CInLookout* CUsbBackend::LookoutOf(const Pipe& in) {
    const auto found = in.device->lookouts.find(in.endpoint);
    return found != in.device->lookouts.end() ? found->second.get() : nullptr;
}

void CUsbBackend::Watch(const Pipe& in, std::size_t length) {
    CInLookout* lookout = LookoutOf(in);
    if (lookout != nullptr && !in.device->gone.load()) lookout->Start(length);
}

DrainReport CUsbBackend::Drain(std::uint32_t pipe) {
    Pipe in;
    {
        std::lock_guard lock(mutex_);
        const auto found = pipes_.find(pipe);
        if (found == pipes_.end()) return {};
        in = found->second;
    }
    if ((in.endpoint & LIBUSB_ENDPOINT_IN) == 0) return {};
    std::lock_guard link(in.device->link);
    CInLookout* lookout = LookoutOf(in);
    static const std::vector<std::uint8_t> kNothing;
    const DrainReport report =
        DrainIn(in, DrainReason::kAsked, kQuietMs, lookout != nullptr ? lookout->Stop() : kNothing);
    Watch(in, 0);
    return report;
}

ExchangeOutcome CUsbBackend::Exchange(const PipeExchange& x) {
    constexpr ExchangeOutcome kNotSent{TransferError::kNotSent, TransferError::kNone};
    *x.received = 0;
    *x.sent = 0;
    if ((x.readBuffer == nullptr && x.readLength > 0) ||
        (x.writeBuffer == nullptr && x.writeLength > 0) || x.writeLength > INT32_MAX ||
        x.readLength > INT32_MAX / 2)
        return kNotSent;
    Pipe out;
    Pipe in;
    {
        std::lock_guard lock(mutex_);
        const auto o = pipes_.find(x.writePipe);
        const auto i = pipes_.find(x.readPipe);
        if (o == pipes_.end() || i == pipes_.end()) return kNotSent;
        out = o->second;
        in = i->second;
    }
    if ((out.endpoint & LIBUSB_ENDPOINT_IN) != 0 || out.endpoint == 0 ||
        (in.endpoint & LIBUSB_ENDPOINT_IN) == 0 || out.device != in.device)
        return kNotSent;
    ExchangeOutcome outcome;
    std::lock_guard link(in.device->link);
    CInLookout* lookout = LookoutOf(in);
    if (lookout != nullptr) {
        // Bytes that came since the last exchange answer no request of ours:
        // the pipe is drained before the request goes out.
        const std::vector<std::uint8_t>& unasked = lookout->Poll();
        if (!unasked.empty())
            outcome.before = DrainIn(in, DrainReason::kUnasked, kQuietMs, unasked);
    }
    outcome.write = Write(out, x);
    if (outcome.write == TransferError::kNone) outcome.read = Read(in, x, lookout);
    if (outcome.read == TransferError::kTimeout)
        outcome.after = DrainIn(in, DrainReason::kAfterTimeout, kQuietMs, {});
    else if (outcome.read == TransferError::kOverflow)
        outcome.after = DrainIn(in, DrainReason::kAfterOverflow, kQuietMs, {});
    Watch(in, x.readLength);
    return outcome;
}

std::uint32_t CUsbBackend::ProbeAccess(libusb_device* device) {
    libusb_device_handle* handle = nullptr;
    switch (libusb_open(device, &handle)) {
        case LIBUSB_SUCCESS:
            break;
        case LIBUSB_ERROR_ACCESS:
            return PIPEUSB_ACCESS_DENIED;
        case LIBUSB_ERROR_NO_DEVICE:
        case LIBUSB_ERROR_NOT_FOUND:
            return PIPEUSB_ACCESS_GONE;
        default:
            return PIPEUSB_ACCESS_FAILED;
    }
    libusb_set_auto_detach_kernel_driver(handle, 1);
    std::uint32_t access = PIPEUSB_ACCESS_OK;
    switch (libusb_claim_interface(handle, kInterface)) {
        case LIBUSB_SUCCESS:
            libusb_release_interface(handle, kInterface);
            break;
        case LIBUSB_ERROR_BUSY:
            access = PIPEUSB_ACCESS_BUSY;
            break;
        case LIBUSB_ERROR_NO_DEVICE:
            access = PIPEUSB_ACCESS_GONE;
            break;
        default:
            access = PIPEUSB_ACCESS_FAILED;
            break;
    }
    libusb_close(handle);
    return access;
}

bool CUsbBackend::Describe(std::uint32_t devIndex, PipeUsbDevInfo& info) {
    libusb_device* device = nullptr;
    std::shared_ptr<OpenDevice> open;
    {
        std::lock_guard lock(mutex_);
        if (devIndex >= list_.size()) return false;
        device = libusb_ref_device(list_[devIndex]);
        open = FindOpenLocked(device);
    }
    libusb_device_descriptor desc{};
    libusb_get_device_descriptor(device, &desc);
    info.vendor = desc.idVendor;
    info.product = desc.idProduct;
    info.bus = libusb_get_bus_number(device);
    info.address = libusb_get_device_address(device);
    std::uint8_t ports[kMaxPortDepth];
    const int depth = libusb_get_port_numbers(device, ports, kMaxPortDepth);
    const std::string location = UsbLocation(info.bus, ports, depth);
    std::snprintf(info.location, sizeof info.location, "%s", location.c_str());
    const std::string serial = ReadUsbSerial(kSysfsUsbDevices, location, sizeof info.serial - 1);
    std::snprintf(info.serial, sizeof info.serial, "%s", serial.c_str());
    if (open)
        info.access = open->gone.load() ? PIPEUSB_ACCESS_GONE : PIPEUSB_ACCESS_OK;
    else
        info.access = ProbeAccess(device);
    libusb_unref_device(device);
    return true;
}

bool CUsbBackend::DevAttached(std::uint32_t dev) {
    std::lock_guard lock(mutex_);
    const auto it = devices_.find(dev);
    return it != devices_.end() && !it->second->gone.load();
}

}  // namespace pipeusb
