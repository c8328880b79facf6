#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/frame/CanObj.h"

// Generated diagnostic traffic (ISO-TP with UDS, J1939 transport and DM1)
// amid periodic frames, with the messages a reader must find written down as
// the traffic is made: what each sender meant, not what a reader made of it.
namespace korvex::test {

using Bytes = std::vector<std::uint8_t>;

// One message as korvex-cli transport writes it, field by field.
struct ExpectedMessage {
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::string protocol;
    std::string source;
    std::string target;
    std::string pgn;
    int length = 0;
    std::string status;
    std::string data;
    std::string meaning;
};

inline std::string Hex(const Bytes& bytes, std::size_t n = ~std::size_t{0}) {
    std::string out;
    char digits[3];
    for (std::size_t i = 0; i < std::min(n, bytes.size()); ++i) {
        std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
        out += digits;
    }
    return out;
}

inline std::string IdText(std::uint32_t id, bool extended) {
    char text[16];
    std::snprintf(text, sizeof text, extended ? "0x%08X" : "0x%03X", id);
    return text;
}

inline std::string AddressText(std::uint8_t address) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", address);
    return text;
}

// Faults a sender can make.
struct SendFaults {
    int stopAfter = -1;      // send only this many consecutive frames / data packets
    int skip = -1;           // leave out this one (1-based): the next is out of order
    int wrongSequence = -1;  // send this one with a wrong sequence number
    int abortAfter = -1;     // J1939: the receiver aborts after this many packets
};

class CDiagnosticTraffic {
  public:
    std::vector<_VCI_CAN_OBJ> frames;
    std::vector<ExpectedMessage> messages;

    // Time moves on by `step` (0.1 ms) and a frame is added; its index.
    std::int64_t Add(std::uint32_t id, bool extended, const Bytes& data, std::uint32_t step = 10) {
        now += step;
        _VCI_CAN_OBJ f{};
        f.ID = id;
        f.ExternFlag = extended ? 1 : 0;
        f.TimeStamp = now;
        f.TimeFlag = 1;
        f.DataLen = static_cast<std::uint8_t>(data.size());
        std::copy(data.begin(), data.end(), f.Data);
        f.Reserved[1] = span;
        frames.push_back(f);
        return static_cast<std::int64_t>(frames.size()) - 1;
    }
    // A periodic frame of the bus that no reader should care about.
    void Noise(std::uint32_t step = 10) {
        Add(0x0CF00400, true, {0xF0, 0x7D, 0x7D, 0x00, 0x00, 0x00, 0xF0, 0x7D}, step);
    }
    // Quiet but for the periodic frames, for `tenths` of a millisecond.
    void Idle(std::uint32_t tenths) {
        for (std::uint32_t t = 0; t < tenths; t += 1000) Noise(1000);
    }
    // A new recording span starts (its first frame at time stamp 0).
    void NewSpan() {
        ++span;
        now = 0;
    }

    // An ISO-TP message from `from` to `to` (0 for a functional request),
    // flow control every `blockSize` frames; padded with 0xCC.
    ExpectedMessage& IsoTp(std::uint32_t from, std::uint32_t to, bool extended,
                           const Bytes& payload, int blockSize, const std::string& meaning,
                           SendFaults faults = {}, const std::string& status = "complete") {
        ExpectedMessage m;
        m.protocol = "ISO-TP";
        m.source = IdText(from, extended);
        m.target = to != 0 ? IdText(to, extended) : "";
        m.length = static_cast<int>(payload.size());
        m.meaning = meaning;
        m.status = status;
        std::size_t received = 0;
        if (payload.size() <= 7) {
            Bytes sf{static_cast<std::uint8_t>(payload.size())};
            sf.insert(sf.end(), payload.begin(), payload.end());
            sf.resize(8, 0xCC);
            m.first = m.last = Add(from, extended, sf);
            received = payload.size();
        } else {
            m.first = m.last = Add(from, extended,
                                   {static_cast<std::uint8_t>(0x10 | payload.size() >> 8),
                                    static_cast<std::uint8_t>(payload.size()), payload[0],
                                    payload[1], payload[2], payload[3], payload[4], payload[5]});
            received = 6;
            const auto flowControl = [&] {
                Noise();
                Add(to, extended,
                    {0x30, static_cast<std::uint8_t>(blockSize), 0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC});
            };
            flowControl();
            std::size_t at = 6;
            bool broken = false;
            for (int n = 1; at < payload.size(); ++n, at += 7) {
                if (n == faults.stopAfter + 1) break;
                if (blockSize > 0 && n > 1 && (n - 1) % blockSize == 0) flowControl();
                if (n == faults.skip) continue;
                Noise();
                Bytes cf{static_cast<std::uint8_t>(0x20 | (n & 0x0F))};
                if (n == faults.wrongSequence)
                    cf[0] = static_cast<std::uint8_t>(0x20 | ((n + 3) & 0x0F));
                for (std::size_t k = at; k < at + 7; ++k)
                    cf.push_back(k < payload.size() ? payload[k] : 0xCC);
                m.last = Add(from, extended, cf);
                if (n == faults.wrongSequence || (faults.skip > 0 && n > faults.skip)) {
                    broken = true;
                    break;
                }
                received = std::min(at + 7, payload.size());
            }
            if (broken) m.status = "sequence error";
        }
        m.data = Hex(payload, received);
        messages.push_back(m);
        return messages.back();
    }

    // A J1939 transport message: BAM when `to` is 0xFF, else RTS/CTS with two
    // packets per CTS; packets 50 ms apart.
    ExpectedMessage& J1939(std::uint8_t from, std::uint8_t to, std::uint32_t pgn,
                           const Bytes& payload, const std::string& meaning, SendFaults faults = {},
                           const std::string& status = "complete",
                           const std::function<void(int packet)>& between = {}) {
        const auto cm = [](std::uint8_t da, std::uint8_t sa) {
            return 0x1CEC0000u | static_cast<std::uint32_t>(da) << 8 | sa;
        };
        const auto pgnBytes = [&](Bytes b) {
            b.push_back(static_cast<std::uint8_t>(pgn));
            b.push_back(static_cast<std::uint8_t>(pgn >> 8));
            b.push_back(static_cast<std::uint8_t>(pgn >> 16));
            return b;
        };
        const int packets = static_cast<int>((payload.size() + 6) / 7);
        const auto size = static_cast<std::uint8_t>(payload.size());
        const auto sizeHigh = static_cast<std::uint8_t>(payload.size() >> 8);
        const bool bam = to == 0xFF;
        ExpectedMessage m;
        m.protocol = "J1939-TP";
        m.source = AddressText(from);
        m.target = AddressText(to);
        m.pgn = std::to_string(pgn);
        m.length = static_cast<int>(payload.size());
        m.meaning = meaning;
        m.status = status;
        m.first = m.last = Add(cm(to, from), true,
                               pgnBytes({static_cast<std::uint8_t>(bam ? 32 : 16), size, sizeHigh,
                                         static_cast<std::uint8_t>(packets), 0xFF}));
        std::size_t received = 0;
        for (int n = 1; n <= packets; ++n) {
            if (n == faults.stopAfter + 1) break;
            if (n == faults.abortAfter + 1) {
                m.last = Add(cm(from, to), true, pgnBytes({255, 3, 0xFF, 0xFF, 0xFF}));
                m.status = "aborted";
                break;
            }
            if (!bam && n % 2 == 1)
                Add(cm(from, to), true,
                    pgnBytes({17, static_cast<std::uint8_t>(std::min(2, packets - n + 1)),
                              static_cast<std::uint8_t>(n), 0xFF, 0xFF}));
            if (n == faults.skip) continue;
            if (between) between(n);
            Noise(250);
            Bytes dt{static_cast<std::uint8_t>(n == faults.wrongSequence ? n + 7 : n)};
            for (std::size_t k = (n - 1) * 7u; k < n * 7u; ++k)
                dt.push_back(k < payload.size() ? payload[k] : 0xFF);
            m.last = Add(0x1CEB0000u | static_cast<std::uint32_t>(to) << 8 | from, true, dt, 250);
            if (n == faults.wrongSequence || (faults.skip > 0 && n > faults.skip)) {
                m.status = "sequence error";
                break;
            }
            received = std::min<std::size_t>(n * 7u, payload.size());
        }
        if (!bam && m.status == "complete")
            Add(cm(from, to), true,
                pgnBytes({19, size, sizeHigh, static_cast<std::uint8_t>(packets), 0xFF}));
        m.data = Hex(payload, received);
        messages.push_back(m);
        return messages.back();
    }

    // A DM1 in a single frame (lamps, one code, 0xFF padding); its index.
    std::int64_t Dm1Frame(std::uint8_t from, std::uint8_t lamps, std::uint32_t spn,
                          std::uint8_t fmi, std::uint8_t occurrences) {
        return Add(0x18FECA00u | from, true, Dm1Bytes(lamps, {{spn, fmi, occurrences}}));
    }
    struct Code {
        std::uint32_t spn;
        std::uint8_t fmi;
        std::uint8_t occurrences;
    };
    static Bytes Dm1Bytes(std::uint8_t lamps, const std::vector<Code>& codes) {
        Bytes b{lamps, 0xFF};
        for (const Code& c : codes) {
            b.push_back(static_cast<std::uint8_t>(c.spn));
            b.push_back(static_cast<std::uint8_t>(c.spn >> 8));
            b.push_back(static_cast<std::uint8_t>(((c.spn >> 16) << 5) | c.fmi));
            b.push_back(c.occurrences);
        }
        while (b.size() < 8) b.push_back(0xFF);
        return b;
    }

  private:
    std::uint32_t now = 0;
    std::uint8_t span = 0;
};

// Payload bytes 0, 1, 2 … after a head.
inline Bytes Counting(Bytes head, std::size_t length) {
    for (std::size_t i = head.size(); i < length; ++i) head.push_back(static_cast<std::uint8_t>(i));
    return head;
}

// One fault code episode as korvex-cli dtc writes it.
struct ExpectedEpisode {
    std::uint8_t source;
    std::uint32_t spn;
    int fmi;
    int occurrences;
    std::int64_t first;
    std::int64_t last;
    int reports;
    bool activeAtEnd;
};

// Traffic that holds every case a reader must handle, in two recording spans,
// and the fault code episodes of its DM1s.
inline CDiagnosticTraffic DiagnosticScenario(std::vector<ExpectedEpisode>& episodes) {
    CDiagnosticTraffic t;
    const std::string rdbi = "ReadDataByIdentifier positive response (0x62) F190";
    const std::string dtcs =
        "ReadDTCInformation positive response (0x59) reportDTCByStatusMask (0x02)";
    t.Noise();
    const std::int64_t r1 = t.Dm1Frame(0x00, 0x04, 110, 0, 1);
    t.IsoTp(0x7E0, 0x7E8, false, {0x22, 0xF1, 0x90}, 0, "ReadDataByIdentifier (0x22) F190");
    t.IsoTp(0x7E8, 0x7E0, false, {0x7F, 0x22, 0x78}, 0,
            "negative response (0x7F) to ReadDataByIdentifier (0x22): "
            "requestCorrectlyReceived-ResponsePending (0x78)");
    t.IsoTp(0x7E8, 0x7E0, false, Counting({0x62, 0xF1, 0x90}, 20), 0, rdbi);
    t.IsoTp(0x7E0, 0x7E8, false, {0x22, 0xF1, 0x8C, 0xF1, 0x91}, 0,
            "ReadDataByIdentifier (0x22) F18C F191");
    t.IsoTp(0x7E8, 0x7E0, false, {0x7F, 0x22, 0x31}, 0,
            "negative response (0x7F) to ReadDataByIdentifier (0x22): requestOutOfRange (0x31)");
    const std::int64_t s1 = t.Dm1Frame(0x03, 0x10, 91, 3, 1);
    t.IsoTp(0x18DA00F1, 0x18DAF100, true, {0x19, 0x02, 0xFF}, 0,
            "ReadDTCInformation (0x19) reportDTCByStatusMask (0x02)");
    t.IsoTp(0x18DAF100, 0x18DA00F1, true, Counting({0x59, 0x02, 0xFF}, 240), 8, dtcs);
    t.IsoTp(0x18DB33F1, 0, true, {0x3E, 0x80}, 0,
            "TesterPresent (0x3E) zeroSubFunction (0x00), suppress positive response");
    t.IsoTp(0x7DF, 0, false, {0x01, 0x0C}, 0, "OBD show current data (0x01) PID 0x0C");
    t.IsoTp(0x7E8, 0x7E0, false, {0x41, 0x0C, 0x1A, 0xF8}, 0,
            "OBD show current data positive response (0x41) PID 0x0C");
    const std::int64_t r2 = t.Dm1Frame(0x00, 0x04, 110, 0, 2);
    t.IsoTp(0x7E1, 0x7E9, false, {0x10, 0x03}, 0,
            "DiagnosticSessionControl (0x10) extendedDiagnosticSession (0x03)");
    t.IsoTp(0x7E9, 0x7E1, false, {0x50, 0x03, 0x00, 0x32, 0x01, 0xF4}, 0,
            "DiagnosticSessionControl positive response (0x50) extendedDiagnosticSession (0x03)");
    t.IsoTp(0x7E9, 0x7E1, false, Counting({0x76, 0x01}, 4095), 15,
            "TransferData positive response (0x76)");
    t.IsoTp(0x7E8, 0x7E0, false, Counting({0x62, 0xF1, 0x8C}, 40), 0,
            "ReadDataByIdentifier positive response (0x62) F18C", {.skip = 2});
    t.IsoTp(0x18DAF100, 0x18DA00F1, true, Counting({0x59, 0x02, 0xFF}, 50), 2, dtcs,
            {.wrongSequence = 3});
    t.IsoTp(0x7E8, 0x7E0, false, Counting({0x62, 0xF1, 0x90}, 30), 0, rdbi, {.stopAfter = 2},
            "timeout");
    t.Idle(12'000);

    // DM1 with three codes over BAM while another source sends its DM1 by BAM too.
    const std::string dm1 = "DM1 active diagnostic trouble codes: ";
    const std::string lamps = "MIL off, red stop lamp off, amber warning lamp on, protect lamp off";
    const Bytes threeCodes =
        CDiagnosticTraffic::Dm1Bytes(0x04, {{110, 0, 3}, {100, 1, 1}, {520200, 31, 127}});
    const Bytes twoCodes = CDiagnosticTraffic::Dm1Bytes(0x10, {{91, 3, 1}, {190, 2, 7}});
    ExpectedMessage other;
    other.protocol = "J1939-TP";
    other.source = "0x03";
    other.target = "0xFF";
    other.pgn = "65226";
    other.length = 10;
    other.status = "complete";
    other.data = Hex(twoCodes);
    other.meaning = dm1 +
                    "MIL off, red stop lamp on, amber warning lamp off, protect lamp off; "
                    "SPN 91 FMI 3 OC 1 CM 0; SPN 190 FMI 2 OC 7 CM 0";
    const ExpectedMessage& r3 = t.J1939(
        0x00, 0xFF, 65226, threeCodes,
        dm1 + lamps +
            "; SPN 110 FMI 0 OC 3 CM 0; SPN 100 FMI 1 OC 1 CM 0; SPN 520200 FMI 31 OC 127 CM 0",
        {}, "complete", [&](int packet) {
            if (packet == 1)
                other.first = t.Add(0x1CECFF03, true, {32, 10, 0, 2, 0xFF, 0xCA, 0xFE, 0x00});
            if (packet <= 2) {
                Bytes dt{static_cast<std::uint8_t>(packet)};
                for (int k = (packet - 1) * 7; k < packet * 7; ++k)
                    dt.push_back(k < 10 ? twoCodes[static_cast<std::size_t>(k)] : 0xFF);
                other.last = t.Add(0x1CEBFF03, true, dt);
            }
        });
    const std::int64_t r3last = r3.last;
    const std::int64_t s2 = other.last;
    t.messages.push_back(other);
    t.J1939(
        0x00, 0xF9, 65260,
        {'1', 'H', 'G', 'B', 'H', '4', '1', 'J', 'X', 'M', 'N', '1', '0', '9', '1', '8', '6', '*'},
        "vehicle identification (VI)");
    const std::int64_t r4 = t.Dm1Frame(0x00, 0x00, 0, 0, 0);
    t.J1939(0x00, 0xF9, 65242, Counting({1}, 30), "software identification (SOFT)",
            {.abortAfter = 2});
    t.J1939(0x03, 0xFF, 65227, Counting({0x04, 0xFF}, 20),
            "DM2 previously active diagnostic trouble codes", {.skip = 2});
    t.J1939(0x17, 0xFF, 65259, Counting({'A'}, 40), "component identification (CI)",
            {.wrongSequence = 3});
    const std::int64_t r5 = t.Dm1Frame(0x00, 0x04, 110, 0, 4);
    t.J1939(0x21, 0xFF, 65242, Counting({1}, 30), "software identification (SOFT)",
            {.stopAfter = 2}, "timeout");
    t.Idle(9'000);
    const std::int64_t s3 = t.Dm1Frame(0x03, 0x10, 190, 2, 8);
    // DM1 that never completes: no report.
    t.J1939(0x00, 0xFF, 65226, threeCodes, "DM1 active diagnostic trouble codes", {.stopAfter = 1},
            "incomplete");
    t.IsoTp(0x7E8, 0x7E0, false, Counting({0x62, 0xF1, 0x90}, 30), 0, rdbi, {.stopAfter = 1},
            "incomplete");

    t.NewSpan();
    t.Noise();
    t.IsoTp(0x7E0, 0x7E8, false, {0x3E, 0x00}, 0, "TesterPresent (0x3E) zeroSubFunction (0x00)");
    const std::int64_t r7 = t.Dm1Frame(0x00, 0x04, 110, 0, 5);
    t.IsoTp(0x18DAF100, 0x18DA00F1, true, Counting({0x59, 0x02, 0xFF}, 100), 0, dtcs,
            {.stopAfter = 3}, "incomplete");

    episodes = {
        {0x00, 110, 0, 3, r1, r3last, 3, false},
        {0x03, 91, 3, 1, s1, s2, 2, false},
        {0x03, 190, 2, 8, s2, s3, 2, true},
        {0x00, 100, 1, 1, r3last, r3last, 1, false},
        {0x00, 520200, 31, 127, r3last, r3last, 1, false},
        {0x00, 110, 0, 5, r5, r7, 2, true},
    };
    (void)r2;
    (void)r4;
    return t;
}

}  // namespace korvex::test
