#include "core/transport/TransportAssembler.h"

#include <algorithm>

#include "core/signals/J1939.h"

namespace korvex::transport {
namespace {

std::uint64_t IsoTpKey(std::uint32_t id, bool extended) {
    return id | (extended ? std::uint64_t{1} << 32 : 0);
}

bool IsFrame(const _VCI_CAN_OBJ& frame) {
    return EventCode(frame) == 0 && frame.RemoteFlag == 0 && frame.DataLen > 0;
}

int DataLength(const _VCI_CAN_OBJ& frame) {
    return std::min<int>(frame.DataLen, 8);
}

bool IsJ1939Group(std::uint32_t pgn) {
    const std::uint32_t format = pgn & 0xFF00;
    return format == kPgnTpCm || format == kPgnTpDt || pgn == kPgnDm1;
}

// Whether (signed) time `now` lies more than `timeout` after `then`.
bool Later(std::uint32_t now, std::uint32_t then, std::uint32_t timeout) {
    return static_cast<std::int32_t>(now - then) > static_cast<std::int32_t>(timeout);
}

}  // namespace

const char* ProtocolText(TransportProtocol protocol) {
    return protocol == TransportProtocol::kIsoTp ? "ISO-TP" : "J1939-TP";
}

const char* StatusText(TransportStatus status) {
    switch (status) {
        case TransportStatus::kComplete:
            return "complete";
        case TransportStatus::kSequenceError:
            return "sequence error";
        case TransportStatus::kTimeout:
            return "timeout";
        case TransportStatus::kAborted:
            return "aborted";
        case TransportStatus::kIncomplete:
            break;
    }
    return "incomplete";
}

bool CTransportAssembler::Wants(const _VCI_CAN_OBJ& frame) const {
    if (!IsFrame(frame)) return false;
    const bool extended = frame.ExternFlag != 0;
    if (pairs.Find(frame.ID, extended)) return true;
    return extended && IsJ1939Group(signaldb::ParameterGroupNumber(frame.ID));
}

void CTransportAssembler::Frame(std::int64_t index, const _VCI_CAN_OBJ& frame) {
    if (!IsFrame(frame)) return;
    const bool extended = frame.ExternFlag != 0;
    if (const std::optional<IsoTpRole> role = pairs.Find(frame.ID, extended)) {
        IsoTpFrame(index, frame, *role);
    } else if (extended) {
        J1939Frame(index, frame, signaldb::ParameterGroupNumber(frame.ID));
    }
}

void CTransportAssembler::SpanEnded(std::uint32_t lastTime) {
    for (auto& [key, open] : isoTp)
        End(open, Later(lastTime, open.lastTime, kIsoTpTimeout) ? TransportStatus::kTimeout
                                                                : TransportStatus::kIncomplete);
    for (auto& [key, open] : j1939)
        End(open, Later(lastTime, open.lastTime, kJ1939Timeout) ? TransportStatus::kTimeout
                                                                : TransportStatus::kIncomplete);
    isoTp.clear();
    j1939.clear();
}

void CTransportAssembler::End(Open& open, TransportStatus status) {
    TransportMessage& m = open.message;
    m.status = status;
    if (status == TransportStatus::kComplete && m.protocol == TransportProtocol::kJ1939Tp &&
        m.pgn == kPgnDm1)
        dm1Reports.push_back({m.last, static_cast<std::uint8_t>(m.source), m.data});
    messages.push_back(std::move(m));
}

bool CTransportAssembler::TimedOut(Open& open, std::uint32_t time, std::uint32_t timeout) {
    if (!Later(time, open.lastTime, timeout)) return false;
    End(open, TransportStatus::kTimeout);
    return true;
}

void CTransportAssembler::IsoTpFrame(std::int64_t index, const _VCI_CAN_OBJ& frame,
                                     const IsoTpRole& role) {
    const bool extended = frame.ExternFlag != 0;
    const int dataLength = DataLength(frame);
    const std::uint8_t* d = frame.Data;
    const int type = d[0] >> 4;
    const std::uint64_t key = IsoTpKey(frame.ID, extended);

    if (type == 3) {
        // Flow control from the receiver keeps its partner's message alive.
        if (role.functional) return;
        const auto sending = isoTp.find(IsoTpKey(role.partner, extended));
        if (sending == isoTp.end()) return;
        if (TimedOut(sending->second, frame.TimeStamp, kIsoTpTimeout)) {
            isoTp.erase(sending);
            return;
        }
        sending->second.lastTime = frame.TimeStamp;
        return;
    }
    if (type > 3) return;

    auto open = isoTp.find(key);
    if (open != isoTp.end() && TimedOut(open->second, frame.TimeStamp, kIsoTpTimeout)) {
        isoTp.erase(open);
        open = isoTp.end();
    }

    if (type == 2) {
        if (open == isoTp.end()) return;  // nothing to continue
        Open& o = open->second;
        o.message.last = index;
        if ((d[0] & 0x0F) != o.nextSequence) {
            End(o, TransportStatus::kSequenceError);
            isoTp.erase(open);
            return;
        }
        const std::size_t missing = o.message.length - o.message.data.size();
        const std::size_t take =
            std::min<std::size_t>(missing, static_cast<std::size_t>(dataLength - 1));
        o.message.data.insert(o.message.data.end(), d + 1, d + 1 + take);
        o.nextSequence = (o.nextSequence + 1) & 0x0F;
        o.lastTime = frame.TimeStamp;
        if (o.message.data.size() == o.message.length) {
            End(o, TransportStatus::kComplete);
            isoTp.erase(open);
        }
        return;
    }

    // A single or first frame starts a message; one the sender left open is
    // given up.
    std::uint16_t length = 0;
    int payload = 0;
    if (type == 0) {
        length = d[0] & 0x0F;
        payload = 1;
        if (length == 0 || length > dataLength - 1) return;
    } else {
        if (dataLength < 8) return;
        length = static_cast<std::uint16_t>(((d[0] & 0x0F) << 8) | d[1]);
        payload = 2;
        if (length < 8) return;
    }
    if (open != isoTp.end()) {
        End(open->second, TransportStatus::kIncomplete);
        isoTp.erase(open);
    }
    Open o;
    TransportMessage& m = o.message;
    m.first = m.last = index;
    m.protocol = TransportProtocol::kIsoTp;
    m.source = frame.ID;
    m.extended = extended;
    m.hasTarget = !role.functional;
    m.target = role.partner;
    m.length = length;
    const int take = std::min<int>(length, dataLength - payload);
    m.data.reserve(length);
    m.data.assign(d + payload, d + payload + take);
    o.lastTime = frame.TimeStamp;
    if (type == 0) {
        End(o, TransportStatus::kComplete);
        return;
    }
    isoTp.emplace(key, std::move(o));
}

void CTransportAssembler::J1939Frame(std::int64_t index, const _VCI_CAN_OBJ& frame,
                                     std::uint32_t pgn) {
    if (pgn == kPgnDm1) {
        dm1Reports.push_back({index,
                              static_cast<std::uint8_t>(frame.ID & 0xFF),
                              {frame.Data, frame.Data + DataLength(frame)}});
        return;
    }
    if (DataLength(frame) < 8) return;
    if ((pgn & 0xFF00) == kPgnTpCm) TpConnection(index, frame);
    if ((pgn & 0xFF00) == kPgnTpDt) TpData(index, frame);
}

void CTransportAssembler::TpConnection(std::int64_t index, const _VCI_CAN_OBJ& frame) {
    const std::uint32_t source = frame.ID & 0xFF;
    const std::uint32_t destination = (frame.ID >> 8) & 0xFF;
    const std::uint8_t* d = frame.Data;
    const std::uint32_t pgn = d[5] | (d[6] << 8) | (static_cast<std::uint32_t>(d[7]) << 16);
    const auto find = [&](std::uint32_t from, std::uint32_t to) {
        auto open = j1939.find(from << 8 | to);
        if (open != j1939.end() && TimedOut(open->second, frame.TimeStamp, kJ1939Timeout)) {
            j1939.erase(open);
            open = j1939.end();
        }
        return open;
    };

    switch (d[0]) {
        case 16:    // RTS
        case 32: {  // BAM
            const std::uint16_t size = static_cast<std::uint16_t>(d[1] | (d[2] << 8));
            const std::uint8_t packets = d[3];
            if (size < 9 || size > 1785 || packets != (size + 6) / 7) return;
            auto open = find(source, destination);
            if (open != j1939.end()) {
                End(open->second, TransportStatus::kIncomplete);
                j1939.erase(open);
            }
            Open o;
            TransportMessage& m = o.message;
            m.first = m.last = index;
            m.protocol = TransportProtocol::kJ1939Tp;
            m.source = source;
            m.target = destination;
            m.hasTarget = true;
            m.extended = true;
            m.pgn = pgn;
            m.length = size;
            m.data.reserve(size);
            o.packets = packets;
            o.lastTime = frame.TimeStamp;
            j1939.emplace(source << 8 | destination, std::move(o));
            return;
        }
        case 17: {  // CTS from the receiver; it may ask again for packets sent
            auto open = find(destination, source);
            if (open == j1939.end() || open->second.message.pgn != pgn) return;
            Open& o = open->second;
            o.lastTime = frame.TimeStamp;
            const std::uint8_t next = d[2];
            if (d[1] != 0 && next >= 1 && next < o.nextSequence) {
                o.nextSequence = next;
                o.message.data.resize(static_cast<std::size_t>(next - 1) * 7);
            }
            return;
        }
        case 255: {  // Abort, from either end
            for (const auto& [from, to] :
                 {std::pair{source, destination}, std::pair{destination, source}}) {
                auto open = find(from, to);
                if (open == j1939.end() || open->second.message.pgn != pgn) continue;
                open->second.message.last = index;
                End(open->second, TransportStatus::kAborted);
                j1939.erase(open);
                return;
            }
            return;
        }
        default:  // EndOfMsgAck comes after the last packet
            return;
    }
}

void CTransportAssembler::TpData(std::int64_t index, const _VCI_CAN_OBJ& frame) {
    const std::uint32_t source = frame.ID & 0xFF;
    const std::uint32_t destination = (frame.ID >> 8) & 0xFF;
    auto open = j1939.find(source << 8 | destination);
    if (open == j1939.end()) return;
    Open& o = open->second;
    if (TimedOut(o, frame.TimeStamp, kJ1939Timeout)) {
        j1939.erase(open);
        return;
    }
    o.message.last = index;
    if (frame.Data[0] != o.nextSequence) {
        End(o, TransportStatus::kSequenceError);
        j1939.erase(open);
        return;
    }
    const std::size_t take = std::min<std::size_t>(o.message.length - o.message.data.size(), 7);
    o.message.data.insert(o.message.data.end(), frame.Data + 1, frame.Data + 1 + take);
    o.lastTime = frame.TimeStamp;
    if (o.nextSequence == o.packets) {
        End(o, TransportStatus::kComplete);
        j1939.erase(open);
        return;
    }
    ++o.nextSequence;
}

}  // namespace korvex::transport
