#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/frame/CanObj.h"
#include "core/transport/IsoTpPairs.h"
#include "core/transport/TransportMessage.h"

namespace korvex::transport {

// Time-outs in recorder time (0.1 ms): ISO-TP's N_Cr and J1939's T1.
inline constexpr std::uint32_t kIsoTpTimeout = 10'000;
inline constexpr std::uint32_t kJ1939Timeout = 7'500;

// The parameter groups of J1939 transport and diagnostics.
inline constexpr std::uint32_t kPgnTpCm = 60416;
inline constexpr std::uint32_t kPgnTpDt = 60160;
inline constexpr std::uint32_t kPgnDm1 = 65226;
inline constexpr std::uint32_t kPgnDm2 = 65227;

// A DM1 that arrived whole, in a single frame or through the transport.
struct Dm1Report {
    std::int64_t index = 0;  // the last frame of the message
    std::uint8_t source = 0;
    std::vector<std::uint8_t> data;
};

// Puts ISO-TP and J1939 transport messages together from the frames of a
// recording, fed in order. Messages are kept in the order they end.
class CTransportAssembler {
  public:
    explicit CTransportAssembler(CIsoTpPairs pairs) : pairs(std::move(pairs)) {}

    // Whether a frame can take part in a message or a DM1: passes pick these
    // frames first and feed only them, with the ends of the spans.
    bool Wants(const _VCI_CAN_OBJ& frame) const;
    // Feeds frame `index`; frames Wants() refuses are ignored.
    void Frame(std::int64_t index, const _VCI_CAN_OBJ& frame);
    // The recording span or the recording ended, its last frame at `lastTime`:
    // every open message ends, as a time-out when the recording went on past
    // its deadline.
    void SpanEnded(std::uint32_t lastTime);

    std::vector<TransportMessage>& Messages() { return messages; }
    std::vector<Dm1Report>& Dm1Reports() { return dm1Reports; }

  private:
    struct Open {
        TransportMessage message;
        std::uint32_t lastTime = 0;
        std::uint8_t nextSequence = 1;
        std::uint8_t packets = 0;  // J1939: data packets announced
    };

    void IsoTpFrame(std::int64_t index, const _VCI_CAN_OBJ& frame, const IsoTpRole& role);
    void J1939Frame(std::int64_t index, const _VCI_CAN_OBJ& frame, std::uint32_t pgn);
    void TpConnection(std::int64_t index, const _VCI_CAN_OBJ& frame);
    void TpData(std::int64_t index, const _VCI_CAN_OBJ& frame);
    // Ends an open message; for a complete DM1 also a report.
    void End(Open& open, TransportStatus status);
    // Ends `open` as a time-out when `time` lies past its deadline.
    bool TimedOut(Open& open, std::uint32_t time, std::uint32_t timeout);

    CIsoTpPairs pairs;
    std::unordered_map<std::uint64_t, Open> isoTp;  // by sending identifier
    std::unordered_map<std::uint32_t, Open> j1939;  // by source << 8 | destination
    std::vector<TransportMessage> messages;
    std::vector<Dm1Report> dm1Reports;
};

}  // namespace korvex::transport
