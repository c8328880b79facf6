#pragma once

#include <cstdint>
#include <vector>

// One message carried over several CAN frames (or one single frame), as the
// transport reader put it together.
namespace korvex::transport {

enum class TransportProtocol : std::uint8_t { kIsoTp, kJ1939Tp };

enum class TransportStatus : std::uint8_t {
    kComplete,
    kSequenceError,  // a consecutive frame or data packet out of order
    kTimeout,        // the next frame did not come in time while the recording went on
    kAborted,        // a J1939 connection abort
    kIncomplete,     // the recording, its span or a new message of the sender came first
};

// "ISO-TP", "J1939-TP".
const char* ProtocolText(TransportProtocol protocol);
// "complete", "sequence error", "timeout", "aborted", "incomplete".
const char* StatusText(TransportStatus status);

struct TransportMessage {
    // Indices in the frame list of the message's first and last frame: for a
    // sequence error the frame out of order, for an abort the Abort itself.
    std::int64_t first = 0;
    std::int64_t last = 0;
    TransportProtocol protocol = TransportProtocol::kIsoTp;
    TransportStatus status = TransportStatus::kIncomplete;
    // ISO-TP: the sending and the partner identifier (no partner for a
    // functional request). J1939: source and destination address.
    std::uint32_t source = 0;
    std::uint32_t target = 0;
    bool extended = false;  // ISO-TP: 29-bit identifiers
    bool hasTarget = false;
    std::uint32_t pgn = 0;           // J1939: the transported parameter group
    std::uint16_t length = 0;        // as announced
    std::vector<std::uint8_t> data;  // the bytes received, at most `length`
};

}  // namespace korvex::transport
