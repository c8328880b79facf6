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

const char* ReasonText(DrainReason reason) {
    switch (reason) {
        case DrainReason::kOpened:
            return "left from before the open";
        case DrainReason::kUnasked:
            return "that came with no request out";
        case DrainReason::kAfterTimeout:
            return "after a time-out";
        case DrainReason::kAfterOverflow:
            return "after an overflow";
        case DrainReason::kAsked:
            return "after a reply to another request";
        case DrainReason::kNone:
            break;
    }
    return "";
}

void AppendHex(std::string& line, const std::uint8_t* bytes, std::uint32_t shown,
               std::uint32_t available) {
    if (shown > 0) line += ':';
    for (std::uint32_t i = 0; i < shown; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", bytes[i]);
        line += hex;
    }
    if (shown < available && shown > 0) line += " ...";
}

}  // namespace

std::string DrainLine(std::uint32_t recorder, std::string_view pipe, const DrainReport& d) {
    char head[160];
    int n =
        std::snprintf(head, sizeof head, "recorder %u IN %.*s drained %u bytes %s", recorder,
                      static_cast<int>(pipe.size()), pipe.data(), d.bytes, ReasonText(d.reason));
    if (d.quietMs > 0 && n > 0 && static_cast<std::size_t>(n) < sizeof head)
        std::snprintf(head + n, sizeof head - static_cast<std::size_t>(n), ", then quiet for %u ms",
                      d.quietMs);
    std::string line = head;
    AppendHex(line, d.head.data(),
              std::min<std::uint32_t>(d.bytes, static_cast<std::uint32_t>(d.head.size())), d.bytes);
    return line;
}

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
    AppendHex(line, t.bytes, shown, available);
    return line;
}

}  // namespace pipeusb
