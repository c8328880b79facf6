#include "pipeusb/ExchangeTrace.h"

#include <algorithm>
#include <cstdio>

namespace pipeusb {

namespace {

const char* ErrorText(TransferError error) {
    switch (error) {
        case TransferError::kNone:
            return "";
        case TransferError::kNotSent:
            return " not sent";
        case TransferError::kTimeout:
            return " timed out";
        case TransferError::kStall:
            return " stalled";
        case TransferError::kNoDevice:
            return " device removed";
        case TransferError::kOverflow:
            return " overflow";
        case TransferError::kOther:
            break;
    }
    return " failed";
}

}  // namespace

std::string TraceLine(const TracedTransfer& t) {
    char head[96];
    std::snprintf(head, sizeof head, "recorder %u %s %.*s %u/%u%s", t.recorder, t.in ? "IN" : "OUT",
                  static_cast<int>(t.pipe.size()), t.pipe.data(), t.moved, t.asked,
                  ErrorText(t.error));
    std::string line = head;
    // An OUT line shows the packet even when it did not go out; an IN line
    // only what came in.
    const std::uint32_t available = t.in ? t.moved : t.asked;
    const std::uint32_t shown = t.bytes != nullptr ? std::min(available, kTracedBytes) : 0;
    if (shown > 0) line += ':';
    for (std::uint32_t i = 0; i < shown; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", t.bytes[i]);
        line += hex;
    }
    if (shown < available && shown > 0) line += " ...";
    return line;
}

}  // namespace pipeusb
