#pragma once

// A recorder on the USB bus of a umockdev test bed, answering the usbdevfs
// ioctls that libusb sends to its device node. OUT transfers go to the
// virtual recorder (the sim back end's model, routed the same way); IN
// transfers are completed from its replies cut into max-packet pieces, as a
// device's endpoint hands them to the host controller. Faults make it answer
// as a misbehaving or vanishing device would.

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "pipeusb/sim/FaultPlan.h"
#include "pipeusb/sim/RecorderImage.h"
#include "pipeusb/sim/VirtualRecorder.h"
#include "pipeusb/usb/UsbIds.h"

// umockdev's types, named without its header: glib's headers do not mix with
// Qt's in one file.
struct _UMockdevIoctlBase;
struct _UMockdevIoctlClient;

namespace korvex::test {

// What goes wrong on the USB side of the exchange whose packet carries a
// given command code.
enum class UsbFault : std::uint32_t {
    kNoReply = 1,  // the reply never comes: the host's read times out
    kShortReply,   // only the first part of the reply comes, ended by a short packet
    kSplitReply,   // the reply comes as two transfers, the first ended early by a short packet
    kStallOut,     // the OUT endpoint stalls the packet (EPIPE) unread, and stays halted
    kStallIn,      // the reply's IN endpoint stalls (EPIPE) and stays halted; the reply is lost
    kUnplug,       // the recorder is pulled out as the packet arrives (ENODEV from then on)
    // The reply comes `delayMs` after the packet, later than the host waits,
    // and stays in the endpoint until a transfer takes it.
    kLateReply,
    // 512 bytes more than the reply come (its first bytes over again); what
    // the host's transfer has no room for stays in the endpoint.
    kLongReply,
    // No reply: the recorder is pulled out `delayMs` after the packet, while
    // the host's read waits.
    kUnplugWhileReading,
};

struct EmulatedRecorderSetup {
    pipeusb::RecorderImage image;
    pipeusb::UsbId id{0x1209, 0x0001};
    bool highSpeed = true;   // 512-byte packets; full speed has 64
    std::string serial;      // none when empty
    std::uint32_t port = 0;  // on bus 1; 0 picks the next free one
    // The device node cannot be opened, even by root (EACCES).
    bool accessDenied = false;
    // A kernel driver of this name is bound to interface 0 until the host
    // detaches it; the emulated kernel is one without disconnect-and-claim.
    std::string kernelDriver;
};

class CEmulatedRecorder {
  public:
    CEmulatedRecorder(const EmulatedRecorderSetup& setup, std::uint32_t port);
    ~CEmulatedRecorder();
    CEmulatedRecorder(const CEmulatedRecorder&) = delete;
    CEmulatedRecorder& operator=(const CEmulatedRecorder&) = delete;

    // The fault hits the `count` exchanges (or, lasting, all of them) with
    // `command` (0: any) after `skip` of them went through.
    void InjectFault(UsbFault fault, std::uint8_t command, std::uint32_t skip = 0,
                     std::uint32_t count = 1, bool lasting = false, std::uint32_t delayMs = 0);
    // Another program holds interface 0: claims fail with EBUSY.
    void SetBusy(bool busy);
    // The recorder's clock reads this many milliseconds (it never moves by
    // itself).
    void SetNowMs(std::uint64_t nowMs);
    // It is gone from the bus: every request on an open node fails (ENODEV).
    void Vanish();

    // What the host has done to it so far.
    bool Claimed() const;          // interface 0 is claimed and not yet released
    std::uint32_t Claims() const;  // how often it was claimed
    std::vector<std::uint8_t> ClearedHalts() const;
    std::uint32_t Packets(std::uint8_t command) const;  // packets answered; 0 = all
    // Detaches and re-attaches of the kernel driver, and whether it is bound.
    std::uint32_t DriverDetaches() const;
    bool DriverBound() const;
    pipeusb::RecorderConfig Config() const;
    std::size_t RecordCount() const;

    const EmulatedRecorderSetup& Setup() const { return setup_; }
    std::uint32_t Port() const { return port_; }
    std::uint32_t Address() const { return port_ + 1; }
    std::string DevNode() const;      // "/dev/bus/usb/001/003"
    std::string SysfsPath() const;    // "/sys/devices/usb1/1-2"
    std::string Description() const;  // its umockdev record
    _UMockdevIoctlBase* Handler() const { return handler_; }

  private:
    struct Urb {
        std::uintptr_t clientAddress;  // the host's struct usbdevfs_urb
        std::uint8_t endpoint;
        std::size_t length;
        int status = 0;
        std::vector<std::uint8_t> data;  // what an IN transfer brings
    };
    struct Effects {
        bool unplug = false, noReply = false, shortReply = false, splitReply = false,
             stallOut = false, stallIn = false, longReply = false;
        std::uint32_t lateMs = 0, unplugAfterMs = 0;
    };
    using Packet = std::vector<std::uint8_t>;
    using Clock = std::chrono::steady_clock;
    // A reply held back, or a removal to come.
    struct Due {
        Clock::time_point at;
        std::uint8_t endpoint;  // 0: the removal
        std::vector<std::uint8_t> reply;
    };

    static int OnIoctl(_UMockdevIoctlBase*, _UMockdevIoctlClient* client, void* self);

    bool Handle(_UMockdevIoctlClient* client);
    void Submit(_UMockdevIoctlClient* client);
    void Reap(_UMockdevIoctlClient* client);
    void Discard(_UMockdevIoctlClient* client);
    // Answers an OUT packet; false when the recorder is pulled out by it.
    bool TakePacket(Urb& urb, const std::uint8_t* bytes);
    void VanishLocked();
    void QueueReply(std::uint8_t endpoint, const std::uint8_t* reply, std::size_t size,
                    const Effects& effects);
    // Completes the waiting IN transfers of `endpoint` that the queued
    // packets end.
    void Serve(std::uint8_t endpoint);
    // Lets what is due by now happen.
    void ReleaseDueLocked();
    bool HandleDriverLocked(_UMockdevIoctlClient* client, unsigned long request);
    std::size_t MaxPacket() const { return setup_.highSpeed ? 512 : 64; }

    const EmulatedRecorderSetup setup_;
    const std::uint32_t port_;
    _UMockdevIoctlBase* handler_;

    mutable std::mutex mutex_;
    pipeusb::CVirtualRecorder model_;
    pipeusb::CFaultPlan faults_;
    std::uint64_t nowMs_ = 0;
    bool busy_ = false;
    bool gone_ = false;
    bool claimed_ = false;
    std::uint32_t claims_ = 0;
    std::vector<std::uint8_t> clearedHalts_;
    std::map<std::uint8_t, std::uint32_t> packets_;
    std::set<std::uint8_t> halted_;
    std::map<std::uint8_t, std::deque<Packet>> queued_;  // per IN endpoint
    std::deque<Urb> waiting_;                            // IN transfers not yet ended
    std::deque<Urb> done_;                               // ended, for the host to reap
    std::vector<std::uint8_t> reply_;
    std::vector<Due> due_;
    std::uint32_t emptyReaps_ = 0;  // since the last URB submitted or reaped
    bool driverBound_;
    std::uint32_t driverDetaches_ = 0;
};

}  // namespace korvex::test
