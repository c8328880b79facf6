#include "pipeusb/usb/InLookout.h"

#include <libusb.h>

#include <algorithm>

namespace pipeusb {

CInLookout::CInLookout(libusb_context* context, libusb_device_handle* handle, std::uint8_t endpoint,
                       int maxPacket)
    : context_(context),
      handle_(handle),
      endpoint_(endpoint),
      packet_(static_cast<std::size_t>(maxPacket)),
      transfer_(libusb_alloc_transfer(0)) {}

CInLookout::~CInLookout() {
    Stop();
    libusb_free_transfer(transfer_);
}

void CInLookout::Done(libusb_transfer* transfer) {
    *static_cast<int*>(transfer->user_data) = 1;
}

void CInLookout::Start(std::size_t length) {
    if (transfer_ == nullptr || waiting_) return;
    buffer_.resize(std::max<std::size_t>((length + packet_ - 1) / packet_, 1) * packet_);
    libusb_fill_bulk_transfer(transfer_, handle_, endpoint_, buffer_.data(),
                              static_cast<int>(buffer_.size()), &Done, &completed_, 0);
    completed_ = 0;
    waiting_ = libusb_submit_transfer(transfer_) == LIBUSB_SUCCESS;
}

const std::vector<std::uint8_t>& CInLookout::Take() {
    waiting_ = false;
    const auto n = static_cast<std::size_t>(std::max(transfer_->actual_length, 0));
    caught_.assign(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(n));
    return caught_;
}

const std::vector<std::uint8_t>& CInLookout::Poll() {
    caught_.clear();
    if (!waiting_) return caught_;
    timeval now{0, 0};
    libusb_handle_events_timeout_completed(context_, &now, &completed_);
    return completed_ != 0 ? Take() : caught_;
}

const std::vector<std::uint8_t>& CInLookout::Stop() {
    caught_.clear();
    if (!waiting_) return caught_;
    // A cancel that loses the race against arriving bytes ends the transfer
    // with them: they count as caught all the same. The transfer is ours
    // again only once libusb has called back.
    libusb_cancel_transfer(transfer_);
    while (completed_ == 0) libusb_handle_events_completed(context_, &completed_);
    return Take();
}

const std::vector<std::uint8_t>& CInLookout::Await(std::chrono::steady_clock::time_point deadline,
                                                   int& status) {
    caught_.clear();
    status = LIBUSB_TRANSFER_ERROR;
    if (!waiting_) return caught_;
    while (completed_ == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            Stop();
            status = LIBUSB_TRANSFER_TIMED_OUT;
            return caught_;
        }
        timeval wait{static_cast<time_t>(left.count() / 1000000),
                     static_cast<suseconds_t>(left.count() % 1000000)};
        libusb_handle_events_timeout_completed(context_, &wait, &completed_);
    }
    status = transfer_->status;
    return Take();
}

}  // namespace pipeusb
