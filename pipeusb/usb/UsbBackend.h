#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "pipeusb/PipeUsbBackend.h"
#include "pipeusb/usb/InLookout.h"
#include "pipeusb/usb/UsbIds.h"

struct libusb_context;
struct libusb_device;
struct libusb_device_handle;

namespace pipeusb {

// The "usb" back end: real recorders through libusb-1.0.
//
// Pipe names map to the bulk endpoints of interface 0:
//   PIPE02 = EP 0x82 IN   (bulk replies, 9605 bytes)
//   PIPE03 = EP 0x03 OUT  (short bulk packets)
//   PIPE06 = EP 0x86 IN   (command replies, 64 bytes)
//   PIPE07 = EP 0x07 OUT  (command packets, long bulk packets)
// PIPE00, 01, 04, 05, 08 and 09 open without traffic.
//
// A reply carries nothing that ties it to its request, so a reply that
// comes after its time-out would be taken for the next request's. The link
// never lets one through: IN pipes are drained when opened, after a time-out
// and after an overflow until they stay quiet for a grace period, and a
// lookout transfer waits on each IN pipe between exchanges to catch what
// comes while no request is out.
//
// Recorders are the devices whose vendor:product id is listed in
// PIPEUSB_USB_IDS (read once; default kDefaultUsbIds). When libusb cannot
// start (no USB in the machine or container) there are simply no recorders.
class CUsbBackend final : public CPipeUsbBackend {
  public:
    CUsbBackend();
    ~CUsbBackend() override;
    CUsbBackend(const CUsbBackend&) = delete;
    CUsbBackend& operator=(const CUsbBackend&) = delete;

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

  private:
    // A claimed recorder; released and closed when its last handle goes.
    struct OpenDevice {
        libusb_device* device = nullptr;
        libusb_device_handle* handle = nullptr;
        std::atomic<bool> gone{false};  // a transfer found it removed
        // One exchange or drain at a time; guards the lookouts.
        std::mutex link;
        std::map<std::uint8_t, std::unique_ptr<CInLookout>> lookouts;  // per IN endpoint
        ~OpenDevice();
    };
    struct Pipe {
        std::shared_ptr<OpenDevice> device;
        std::uint8_t endpoint;  // 0: no traffic
        int maxPacketSize;
    };

    bool StartLocked();
    std::shared_ptr<OpenDevice> FindOpenLocked(libusb_device* device) const;
    // Turns a failed libusb transfer into its reason; a stalled endpoint is
    // cleared so that the next exchange can pass, a removed device marked.
    static TransferError Failure(const Pipe& pipe, int rc);
    static TransferError Write(const Pipe& out, const PipeExchange& x);
    // The reply's first part comes through `lookout` when it waits.
    static TransferError Read(const Pipe& in, const PipeExchange& x, CInLookout* lookout);
    // Reads `in` and throws the bytes away until nothing came for the grace
    // period (at first for `firstWaitMs`); `caught` were caught before.
    static DrainReport DrainIn(const Pipe& in, DrainReason reason, unsigned firstWaitMs,
                               const std::vector<std::uint8_t>& caught);
    // The lookout of `in`'s endpoint; null for a pipe that is not IN.
    static CInLookout* LookoutOf(const Pipe& in);
    // Lets the lookout of `in` wait again, for a reply of `length` bytes.
    static void Watch(const Pipe& in, std::size_t length);
    // Opens and claims the recorder for a moment to learn whether it can be.
    static std::uint32_t ProbeAccess(libusb_device* device);

    std::mutex mutex_;
    bool startTried_ = false;
    libusb_context* context_ = nullptr;
    std::vector<UsbId> ids_;
    std::vector<libusb_device*> list_;  // referenced
    std::map<std::uint32_t, std::shared_ptr<OpenDevice>> devices_;
    std::map<std::uint32_t, Pipe> pipes_;
    std::uint32_t nextHandle_ = 1;
};

// The process's one usb back end.
CUsbBackend& UsbBackend();

}  // namespace pipeusb
