#include "pipeusb/usb/UsbBackend.h"

#include <libusb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "pipeusb/PipeName.h"

namespace pipeusb {

namespace {

constexpr int kInterface = 0;
constexpr int kFallbackMaxPacket = 64;

std::uint8_t EndpointOfPipe(int number) {
    switch (RoleOfPipe(number)) {
        case PipeRole::BulkIn:
            return 0x82;
        case PipeRole::BulkOut:
            return 0x03;
        case PipeRole::CommandIn:
            return 0x86;
        case PipeRole::CommandOut:
            return 0x07;
        case PipeRole::NoTraffic:
            break;
    }
    return 0;
}

}  // namespace

CUsbBackend::OpenDevice::~OpenDevice() {
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

std::uint32_t CUsbBackend::OpenPipe(std::uint32_t devIndex, const char* pipeName) {
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
        const int reported = libusb_get_max_packet_size(open->device, endpoint);
        if (reported > 0) maxPacket = reported;
    }
    const std::uint32_t id = nextHandle_++;
    pipes_.emplace(id, Pipe{open, endpoint, maxPacket});
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

std::uint32_t CUsbBackend::Exchange(const PipeExchange& x) {
    *x.received = 0;
    *x.sent = 0;
    if ((x.readBuffer == nullptr && x.readLength > 0) ||
        (x.writeBuffer == nullptr && x.writeLength > 0) || x.writeLength > INT32_MAX ||
        x.readLength > INT32_MAX / 2)
        return 0;
    Pipe out;
    Pipe in;
    {
        std::lock_guard lock(mutex_);
        const auto o = pipes_.find(x.writePipe);
        const auto i = pipes_.find(x.readPipe);
        if (o == pipes_.end() || i == pipes_.end()) return 0;
        out = o->second;
        in = i->second;
    }
    if ((out.endpoint & LIBUSB_ENDPOINT_IN) != 0 || out.endpoint == 0 ||
        (in.endpoint & LIBUSB_ENDPOINT_IN) == 0 || out.device != in.device)
        return 0;

    int transferred = 0;
    // libusb does not write to an OUT buffer.
    int rc = libusb_bulk_transfer(out.device->handle, out.endpoint,
                                  const_cast<unsigned char*>(x.writeBuffer),
                                  static_cast<int>(x.writeLength), &transferred, x.writeTimeoutMs);
    *x.sent = static_cast<std::uint32_t>(std::max(transferred, 0));
    if (rc != LIBUSB_SUCCESS || *x.sent != x.writeLength) return 0;

    // An IN transfer must span whole packets, or a full last packet overflows.
    const std::size_t packet = static_cast<std::size_t>(in.maxPacketSize);
    const std::size_t size = (x.readLength + packet - 1) / packet * packet;
    std::vector<std::uint8_t> spill;
    unsigned char* target = x.readBuffer;
    if (size != x.readLength) {
        spill.resize(size);
        target = spill.data();
    }
    transferred = 0;
    rc = libusb_bulk_transfer(in.device->handle, in.endpoint, target, static_cast<int>(size),
                              &transferred, x.readTimeoutMs);
    const std::size_t got = static_cast<std::size_t>(std::max(transferred, 0));
    const std::size_t n = std::min<std::size_t>(got, x.readLength);
    if (target != x.readBuffer && n > 0) std::memcpy(x.readBuffer, target, n);
    *x.received = static_cast<std::uint32_t>(n);
    return rc == LIBUSB_SUCCESS && got <= x.readLength ? 1 : 0;
}

}  // namespace pipeusb
