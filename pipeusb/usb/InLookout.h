#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

struct libusb_context;
struct libusb_device_handle;
struct libusb_transfer;

namespace pipeusb {

// An IN transfer kept waiting on an endpoint between exchanges. What it has
// caught by the time the next request goes out came while no request was
// out, so it cannot be that request's reply; otherwise it is the transfer
// that takes the reply. Catching stale bytes this way costs no more than the
// read itself, where a short read before each request would cost its
// time-out.
class CInLookout {
  public:
    CInLookout(libusb_context* context, libusb_device_handle* handle, std::uint8_t endpoint,
               int maxPacket);
    ~CInLookout();
    CInLookout(const CInLookout&) = delete;
    CInLookout& operator=(const CInLookout&) = delete;

    // Starts waiting for up to `length` bytes (whole packets) unless it
    // already waits; a recorder that is gone cannot be watched.
    void Start(std::size_t length);
    bool Waiting() const { return waiting_; }
    // Without blocking: the bytes caught if the transfer has ended (it no
    // longer waits then), else nothing.
    const std::vector<std::uint8_t>& Poll();
    // Cancels the wait; the bytes caught before it ended.
    const std::vector<std::uint8_t>& Stop();
    // Waits until the transfer ends or `deadline` passes (then cancels it).
    // The bytes caught; `status` is libusb's transfer status, or
    // LIBUSB_TRANSFER_TIMED_OUT at the deadline.
    const std::vector<std::uint8_t>& Await(std::chrono::steady_clock::time_point deadline,
                                           int& status);

  private:
    static void Done(libusb_transfer* transfer);
    const std::vector<std::uint8_t>& Take();

    libusb_context* context_;
    libusb_device_handle* handle_;
    std::uint8_t endpoint_;
    std::size_t packet_;
    libusb_transfer* transfer_;
    std::vector<std::uint8_t> buffer_;
    std::vector<std::uint8_t> caught_;
    bool waiting_ = false;  // submitted and not yet taken back
    int completed_ = 1;     // set by the callback, read under libusb's event lock
};

}  // namespace pipeusb
