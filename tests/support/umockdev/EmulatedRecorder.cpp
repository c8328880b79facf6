#include "tests/support/umockdev/EmulatedRecorder.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "pipeusb/PipeName.h"
#include "pipeusb/sim/RecorderRoute.h"
#include "tests/support/umockdev/UsbDescriptors.h"

namespace korvex::test {

namespace {

// What the emulated kernel offers; libusb asks when it opens the node.
constexpr guint32 kCapabilities = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                  USBDEVFS_CAP_REAP_AFTER_DISCONNECT;

// While nothing can be reaped the host polls again at once; a short pause
// keeps a transfer that waits for its time-out from taking a whole core. The
// first empty reap after a reaped URB is how libusb ends a round of event
// handling (or a look without waiting), so it comes back at once, as the
// kernel's would.
constexpr gulong kIdleReapPauseUs = 500;

usbdevfs_urb* UrbOf(UMockdevIoctlData* data) {
    return reinterpret_cast<usbdevfs_urb*>(data->data);
}

// Where a reply is cut for a short or split reply: about half, never on a
// packet boundary, so that the first piece ends with a short packet.
std::size_t CutOf(std::size_t size, std::size_t maxPacket) {
    std::size_t cut = size / 2;
    if (cut % maxPacket == 0) --cut;
    return cut;
}

void Complete(UMockdevIoctlClient* client, long result, int error = 0) {
    umockdev_ioctl_client_complete(client, result, error);
}

}  // namespace

CEmulatedRecorder::CEmulatedRecorder(const EmulatedRecorderSetup& setup, std::uint32_t port)
    : setup_(setup),
      port_(port),
      handler_(umockdev_ioctl_base_new()),
      model_(setup.image),
      driverBound_(!setup.kernelDriver.empty()) {
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&CEmulatedRecorder::OnIoctl), this);
}

CEmulatedRecorder::~CEmulatedRecorder() {
    g_signal_handlers_disconnect_by_data(handler_, this);
    g_object_unref(handler_);
}

void CEmulatedRecorder::InjectFault(UsbFault fault, std::uint8_t command, std::uint32_t skip,
                                    std::uint32_t count, bool lasting, std::uint32_t delayMs) {
    std::lock_guard lock(mutex_);
    faults_.Add({static_cast<std::uint32_t>(fault), 0, command, skip, count, lasting, delayMs});
}

std::uint32_t CEmulatedRecorder::DriverDetaches() const {
    std::lock_guard lock(mutex_);
    return driverDetaches_;
}

bool CEmulatedRecorder::DriverBound() const {
    std::lock_guard lock(mutex_);
    return driverBound_;
}

void CEmulatedRecorder::SetBusy(bool busy) {
    std::lock_guard lock(mutex_);
    busy_ = busy;
}

void CEmulatedRecorder::SetNowMs(std::uint64_t nowMs) {
    std::lock_guard lock(mutex_);
    nowMs_ = nowMs;
}

void CEmulatedRecorder::Vanish() {
    std::lock_guard lock(mutex_);
    VanishLocked();
}

void CEmulatedRecorder::VanishLocked() {
    // Transfers still waiting end as the kernel ends them at a disconnect.
    gone_ = true;
    claimed_ = false;
    due_.clear();
    for (Urb& w : waiting_) {
        w.status = -ESHUTDOWN;
        done_.push_back(std::move(w));
    }
    waiting_.clear();
}

bool CEmulatedRecorder::Claimed() const {
    std::lock_guard lock(mutex_);
    return claimed_;
}

std::uint32_t CEmulatedRecorder::Claims() const {
    std::lock_guard lock(mutex_);
    return claims_;
}

std::vector<std::uint8_t> CEmulatedRecorder::ClearedHalts() const {
    std::lock_guard lock(mutex_);
    return clearedHalts_;
}

std::uint32_t CEmulatedRecorder::Packets(std::uint8_t command) const {
    std::lock_guard lock(mutex_);
    std::uint32_t total = 0;
    for (const auto& [code, n] : packets_)
        if (command == 0 || code == command) total += n;
    return total;
}

pipeusb::RecorderConfig CEmulatedRecorder::Config() const {
    std::lock_guard lock(mutex_);
    return model_.Config();
}

std::size_t CEmulatedRecorder::RecordCount() const {
    std::lock_guard lock(mutex_);
    return model_.Memory().RecordCount();
}

std::string CEmulatedRecorder::DevNode() const {
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03u", Address());
    return node;
}

std::string CEmulatedRecorder::SysfsPath() const {
    return "/sys/devices/usb1/1-" + std::to_string(port_);
}

std::string CEmulatedRecorder::Description() const {
    const std::string address = std::to_string(Address());
    std::string text = "P: /devices/usb1/1-" + std::to_string(port_) + "\n";
    text += "N: " + DevNode().substr(5) + "\n";
    text += "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n";
    text += "E: DEVNAME=" + DevNode() + "\n";
    text += "E: BUSNUM=001\nE: DEVNUM=" + DevNode().substr(DevNode().size() - 3) + "\n";
    text += "A: busnum=1\\n\nA: devnum=" + address + "\\n\n";
    text += std::string("A: speed=") + (setup_.highSpeed ? "480" : "12") + "\\n\n";
    text += "A: bConfigurationValue=1\\n\n";
    if (!setup_.serial.empty()) text += "A: serial=" + setup_.serial + "\\n\n";
    const auto maxPacket = static_cast<std::uint16_t>(MaxPacket());
    text += "H: descriptors=" +
            HexOf(RecorderDescriptors(setup_.id, maxPacket, !setup_.serial.empty())) + "\n";
    return text + "\n";
}

int CEmulatedRecorder::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    return static_cast<CEmulatedRecorder*>(self)->Handle(client) ? TRUE : FALSE;
}

bool CEmulatedRecorder::Handle(UMockdevIoctlClient* client) {
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    switch (request) {
        case USBDEVFS_SUBMITURB:
            Submit(client);
            return true;
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY:
            Reap(client);
            return true;
        case USBDEVFS_DISCARDURB:
            Discard(client);
            return true;
        default:
            break;
    }
    std::lock_guard lock(mutex_);
    if (gone_) {
        Complete(client, -1, ENODEV);
        return true;
    }
    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
            *reinterpret_cast<guint32*>(caps->data) = kCapabilities;
            g_object_unref(caps);
            Complete(client, 0);
            return true;
        }
        case USBDEVFS_DISCONNECT_CLAIM:
            if (!setup_.kernelDriver.empty()) {
                Complete(client, -1, ENOTTY);  // an older kernel: libusb detaches by itself
                return true;
            }
            [[fallthrough]];
        case USBDEVFS_CLAIMINTERFACE:
            if (busy_ || driverBound_) {
                Complete(client, -1, EBUSY);
                return true;
            }
            claimed_ = true;
            ++claims_;
            Complete(client, 0);
            return true;
        case USBDEVFS_RELEASEINTERFACE:
            claimed_ = false;
            Complete(client, 0);
            return true;
        case USBDEVFS_CLEAR_HALT: {
            UMockdevIoctlData* ep =
                umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned int), nullptr);
            const auto endpoint =
                static_cast<std::uint8_t>(*reinterpret_cast<unsigned int*>(ep->data));
            g_object_unref(ep);
            clearedHalts_.push_back(endpoint);
            halted_.erase(endpoint);
            Complete(client, 0);
            return true;
        }
        case USBDEVFS_GETDRIVER:
        case USBDEVFS_IOCTL:
            return HandleDriverLocked(client, request);
        default:
            return false;
    }
}

bool CEmulatedRecorder::HandleDriverLocked(UMockdevIoctlClient* client, unsigned long request) {
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    if (request == USBDEVFS_GETDRIVER) {
        if (!driverBound_) {
            Complete(client, -1, ENODATA);
            return true;
        }
        UMockdevIoctlData* data =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_getdriver), nullptr);
        auto* driver = reinterpret_cast<usbdevfs_getdriver*>(data->data);
        std::snprintf(driver->driver, sizeof driver->driver, "%s", setup_.kernelDriver.c_str());
        g_object_unref(data);
        Complete(client, 0);
        return true;
    }
    UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_ioctl), nullptr);
    const int code = reinterpret_cast<usbdevfs_ioctl*>(data->data)->ioctl_code;
    g_object_unref(data);
    if (code == static_cast<int>(USBDEVFS_DISCONNECT) && driverBound_) {
        driverBound_ = false;
        ++driverDetaches_;
        Complete(client, 0);
    } else if (code == static_cast<int>(USBDEVFS_CONNECT) && !setup_.kernelDriver.empty()) {
        driverBound_ = !claimed_;
        Complete(client, 0);
    } else {
        Complete(client, -1, ENODATA);
    }
    return true;
}

void CEmulatedRecorder::Submit(UMockdevIoctlClient* client) {
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    const usbdevfs_urb* urb = UrbOf(data);
    Urb u{data->client_addr, urb->endpoint, static_cast<std::size_t>(urb->buffer_length), 0, {}};
    const bool in = (urb->endpoint & 0x80) != 0;
    UMockdevIoctlData* buffer = nullptr;
    if (!in && urb->buffer_length > 0)
        buffer = umockdev_ioctl_data_resolve(data, offsetof(usbdevfs_urb, buffer),
                                             static_cast<gsize>(urb->buffer_length), nullptr);
    const bool bulk = urb->type == USBDEVFS_URB_TYPE_BULK;

    std::unique_lock lock(mutex_);
    ReleaseDueLocked();
    emptyReaps_ = 0;
    const int pipe = pipeusb::PipeOfEndpoint(u.endpoint);
    if (gone_) {
        Complete(client, -1, ENODEV);
    } else if (!bulk || pipe < 0 || (!in && buffer == nullptr)) {
        Complete(client, -1, ENOENT);
    } else if (halted_.count(u.endpoint) != 0) {
        // A halted endpoint takes the transfer and fails it.
        u.status = -EPIPE;
        done_.push_back(std::move(u));
        Complete(client, 0);
    } else if (in) {
        waiting_.push_back(std::move(u));
        Serve(urb->endpoint);
        Complete(client, 0);
    } else if (TakePacket(u, buffer->data)) {
        done_.push_back(std::move(u));
        Complete(client, 0);
    } else {
        Complete(client, -1, ENODEV);
    }
    lock.unlock();
    if (buffer != nullptr) g_object_unref(buffer);
    g_object_unref(data);
}

bool CEmulatedRecorder::TakePacket(Urb& urb, const std::uint8_t* bytes) {
    const std::uint8_t command = urb.length >= 2 ? bytes[1] : 0;
    Effects effects;
    faults_.Take(0, command, [&](const pipeusb::CFaultPlan::Fault& f) {
        switch (static_cast<UsbFault>(f.kind)) {
            case UsbFault::kNoReply:
                effects.noReply = true;
                break;
            case UsbFault::kShortReply:
                effects.shortReply = true;
                break;
            case UsbFault::kSplitReply:
                effects.splitReply = true;
                break;
            case UsbFault::kStallOut:
                effects.stallOut = true;
                break;
            case UsbFault::kStallIn:
                effects.stallIn = true;
                break;
            case UsbFault::kUnplug:
                effects.unplug = true;
                break;
            case UsbFault::kLateReply:
                effects.lateMs = f.delayMs;
                break;
            case UsbFault::kLongReply:
                effects.longReply = true;
                break;
            case UsbFault::kUnplugWhileReading:
                effects.noReply = true;
                effects.unplugAfterMs = f.delayMs;
                break;
        }
    });
    if (effects.unplug) {
        VanishLocked();
        return false;
    }
    if (effects.stallOut) {
        halted_.insert(urb.endpoint);
        urb.status = -EPIPE;
        return true;
    }
    const auto route = pipeusb::RouteOfOutPipe(pipeusb::PipeOfEndpoint(urb.endpoint));
    reply_.resize(pipeusb::kBulkReplySize);
    const std::size_t size =
        model_.Answer(route->channel, bytes, urb.length, nowMs_, reply_.data());
    ++packets_[command];
    const std::uint8_t replyEndpoint = pipeusb::EndpointOfPipe(route->replyPipe);
    reply_.resize(size);
    if (effects.longReply) {
        constexpr std::size_t kExtra = 512;
        for (std::size_t i = 0; i < kExtra; ++i) reply_.push_back(reply_[i % size]);
    }
    if (effects.unplugAfterMs > 0)
        due_.push_back({Clock::now() + std::chrono::milliseconds(effects.unplugAfterMs), 0, {}});
    if (effects.stallIn)
        halted_.insert(replyEndpoint);
    else if (effects.lateMs > 0)
        due_.push_back(
            {Clock::now() + std::chrono::milliseconds(effects.lateMs), replyEndpoint, reply_});
    else if (!effects.noReply)
        QueueReply(replyEndpoint, reply_.data(), reply_.size(), effects);
    Serve(replyEndpoint);
    return true;
}

void CEmulatedRecorder::ReleaseDueLocked() {
    const Clock::time_point now = Clock::now();
    for (auto it = due_.begin(); it != due_.end();) {
        if (it->at > now) {
            ++it;
            continue;
        }
        const Due due = std::move(*it);
        it = due_.erase(it);
        if (due.endpoint == 0) {
            VanishLocked();
            return;
        }
        QueueReply(due.endpoint, due.reply.data(), due.reply.size(), Effects{});
        Serve(due.endpoint);
    }
}

void CEmulatedRecorder::QueueReply(std::uint8_t endpoint, const std::uint8_t* reply,
                                   std::size_t size, const Effects& effects) {
    const std::size_t maxPacket = MaxPacket();
    std::vector<std::size_t> ends{size};
    if (effects.shortReply) ends = {CutOf(size, maxPacket)};
    if (effects.splitReply) ends = {CutOf(size, maxPacket), size};
    std::deque<Packet>& queue = queued_[endpoint];
    std::size_t at = 0;
    for (const std::size_t end : ends) {
        for (; at < end; at += std::min(maxPacket, end - at))
            queue.emplace_back(reply + at, reply + at + std::min(maxPacket, end - at));
    }
}

void CEmulatedRecorder::Serve(std::uint8_t endpoint) {
    std::deque<Packet>& queue = queued_[endpoint];
    const std::size_t maxPacket = MaxPacket();
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        Urb& urb = *it;
        if (urb.endpoint != endpoint) {
            ++it;
            continue;
        }
        bool ended = false;
        if (halted_.count(endpoint) != 0) {
            urb.status = -EPIPE;
            ended = true;
        }
        // A transfer ends when it is full or a packet shorter than the
        // maximum arrives; a packet that does not fit overflows it.
        while (!ended && !queue.empty()) {
            const Packet& packet = queue.front();
            if (packet.size() > urb.length - urb.data.size()) {
                urb.status = -EOVERFLOW;
                ended = true;
            } else {
                urb.data.insert(urb.data.end(), packet.begin(), packet.end());
                ended = packet.size() < maxPacket || urb.data.size() == urb.length;
            }
            queue.pop_front();
        }
        if (!ended) break;  // the next transfer waits behind this one
        done_.push_back(std::move(urb));
        it = waiting_.erase(it);
    }
}

void CEmulatedRecorder::Reap(UMockdevIoctlClient* client) {
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::unique_lock lock(mutex_);
    ReleaseDueLocked();
    if (done_.empty()) {
        const bool gone = gone_;
        const bool pause = emptyReaps_++ > 0;
        lock.unlock();
        if (gone) {
            Complete(client, -1, ENODEV);
            return;
        }
        if (pause) g_usleep(kIdleReapPauseUs);
        Complete(client, -1, EAGAIN);
        return;
    }
    Urb urb = std::move(done_.front());
    done_.pop_front();
    emptyReaps_ = 0;
    lock.unlock();

    // The host gets the address of its own URB back, with the outcome and,
    // for an IN transfer, the bytes written into its buffer.
    UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(gpointer), nullptr);
    *reinterpret_cast<gulong*>(pointer->data) = static_cast<gulong>(urb.clientAddress);
    UMockdevIoctlData* data =
        umockdev_ioctl_data_resolve(pointer, 0, sizeof(usbdevfs_urb), nullptr);
    usbdevfs_urb* u = UrbOf(data);
    u->status = urb.status;
    const bool in = (urb.endpoint & 0x80) != 0;
    u->actual_length = static_cast<int>(in ? urb.data.size() : (urb.status == 0 ? urb.length : 0));
    if (in && !urb.data.empty()) {
        UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
            data, offsetof(usbdevfs_urb, buffer), urb.data.size(), nullptr);
        std::memcpy(buffer->data, urb.data.data(), urb.data.size());
        g_object_unref(buffer);
    }
    Complete(client, 0);
    g_object_unref(data);
    g_object_unref(pointer);
}

void CEmulatedRecorder::Discard(UMockdevIoctlClient* client) {
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    const std::uintptr_t address = *reinterpret_cast<gulong*>(arg->data);
    std::lock_guard lock(mutex_);
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        if (it->clientAddress != address) continue;
        it->status = -ENOENT;
        done_.push_back(std::move(*it));
        waiting_.erase(it);
        Complete(client, 0);
        return;
    }
    Complete(client, -1, EINVAL);
}

}  // namespace korvex::test
