#include "pipeusb/sim/DemoRecording.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "pipeusb/sim/RecorderClock.h"

namespace pipeusb {

namespace {

constexpr std::uint32_t kTicksPerMs = 10;  // record time stamps count 0.1 ms
constexpr std::uint8_t kErrorFirst = 225;  // controller error events 225-230
constexpr std::uint8_t kErrorKinds = 6;
constexpr std::uint32_t kRecordsPerError = 6000;
constexpr std::uint8_t kSpanEndRecordingStopped = 1;

// Bit-timing register per bit-rate index (1000 ... 5 kbit/s at 36 MHz).
constexpr std::array<std::uint32_t, 10> kTimingRegisters{
    0x00060003, 0x00060004, 0x00060007, 0x001C0008, 0x001C0011,
    0x00160023, 0x001C002C, 0x001600B3, 0x001C00E0, 0x001C01C1};

// splitmix64: small, fast and the same everywhere, unlike the standard
// distributions.
class CDemoRandom {
  public:
    explicit CDemoRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [lo, hi].
    std::int64_t Range(std::int64_t lo, std::int64_t hi) {
        return lo + static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(hi - lo + 1));
    }

  private:
    std::uint64_t state_;
};

enum class Payload {
    EngineStd,      // rpm, throttle, coolant, counter nibble + checksum
    WheelSpeeds,    // four wheel speeds around the vehicle speed
    BodyStatus,     // doors and lights, rarely changing bits
    Temperatures,   // slowly rising temperatures
    AliveCounter,   // rolling counter and its complement
    J1939Eec1,      // engine speed 0.125 rpm/bit
    J1939Ccvs,      // vehicle speed 1/256 km/h per bit
    J1939Et1,       // coolant temperature, offset 40
    Heartbeat,      // transmitted by the recorder: node state
    PresetFrame,    // transmitted by the recorder: fixed bytes + counter
    RemoteRequest,  // remote frame, answered 1.5 ms later with data
    TesterPresent,  // diagnostic single frame
};

struct MessageDef {
    std::uint32_t id;
    bool extended;
    std::uint8_t dlc;
    std::uint32_t periodMs;
    Payload payload;
    bool transmitted;
    std::uint8_t spanMask;  // bit k: present in span k
};

constexpr std::array<MessageDef, 12> kMessages{{
    {0x0C9, false, 8, 10, Payload::EngineStd, false, 0b01011},
    {0x1A0, false, 8, 20, Payload::WheelSpeeds, false, 0b01011},
    {0x3E9, false, 4, 100, Payload::BodyStatus, false, 0b11111},
    {0x4F0, false, 6, 500, Payload::Temperatures, false, 0b01111},
    {0x2F0, false, 2, 50, Payload::AliveCounter, false, 0b11111},
    {0x0CF00400, true, 8, 20, Payload::J1939Eec1, false, 0b11100},
    {0x18FEF100, true, 8, 100, Payload::J1939Ccvs, false, 0b11100},
    {0x18FEEE00, true, 8, 1000, Payload::J1939Et1, false, 0b11100},
    {0x701, false, 1, 1000, Payload::Heartbeat, true, 0b11111},
    {0x123, false, 8, 250, Payload::PresetFrame, true, 0b01001},
    {0x6A0, false, 8, 2000, Payload::RemoteRequest, false, 0b11011},
    {0x18DAF110, true, 8, 5000, Payload::TesterPresent, false, 0b10110},
}};

struct SpanDef {
    std::uint8_t bitRateIndex;  // 0 = 1000 ... 9 = 5 kbit/s
    std::array<std::uint8_t, kClockSize> start;
    std::uint32_t records;
    std::uint32_t periodScalePercent;  // slower buses carry the same traffic less often
};

constexpr std::array<SpanDef, 5> kSpans{{
    {3, {20, 26, 3, 9, 7, 42, 10}, 48000, 100},
    {2, {20, 26, 3, 9, 12, 5, 33}, 52000, 100},
    {4, {20, 26, 3, 10, 6, 58, 1}, 30000, 200},
    {3, {20, 26, 3, 10, 17, 20, 47}, 40000, 100},
    {5, {20, 26, 3, 11, 8, 1, 12}, 30000, 250},
}};

struct VehicleState {
    std::int32_t rpm = 800;
    std::int32_t speedKmh10 = 0;  // 0.1 km/h
    std::int32_t coolant = 20;    // °C
    std::int32_t oil = 18;
    std::uint8_t counter = 0;
    std::uint8_t doors = 0x0F;
    std::uint8_t lights = 0;
    std::uint32_t engineMessages = 0;
};

class CDemoWriter {
  public:
    CDemoWriter(RecorderMemory& memory, std::uint64_t seed) : memory_(memory), rng_(seed) {}

    void Span(std::uint8_t spanIndex, const SpanDef& span) {
        VehicleState v;
        v.coolant = static_cast<std::int32_t>(rng_.Range(15, 30));
        v.oil = v.coolant - 2;
        const std::uint8_t clockIndex = spanIndex;

        std::uint8_t clock[24] = {};
        clock[0] = kRecordMarker;
        clock[1] = kEventClock;
        clock[2] = span.bitRateIndex;
        clock[3] = kClockSize;
        StoreU32(clock + 4, now_);
        std::memcpy(clock + 8, span.start.data(), kClockSize);
        clock[kRecordClockIndexOffset] = clockIndex;
        memory_.clockRecords.insert(memory_.clockRecords.end(), clock, clock + kRecordSize);
        Append(clock);

        std::array<std::uint32_t, kMessages.size()> next{};
        std::array<std::uint32_t, kMessages.size()> period{};
        for (std::size_t m = 0; m < kMessages.size(); ++m) {
            period[m] = kMessages[m].periodMs * kTicksPerMs * span.periodScalePercent / 100;
            next[m] = now_ + static_cast<std::uint32_t>(rng_.Range(1, period[m]));
        }

        const std::size_t end = memory_.RecordCount() + span.records;
        while (memory_.RecordCount() < end) {
            std::size_t m = kMessages.size();
            for (std::size_t k = 0; k < kMessages.size(); ++k)
                if ((kMessages[k].spanMask >> spanIndex & 1) != 0 &&
                    (m == kMessages.size() || next[k] < next[m]))
                    m = k;
            now_ = std::max(now_, next[m]);
            // ±2 % jitter, as a real node's scheduler shows.
            const auto jitter = static_cast<std::int64_t>(period[m] / 50);
            next[m] = now_ + static_cast<std::uint32_t>(period[m] + rng_.Range(-jitter, jitter));
            Message(kMessages[m], v, clockIndex);
            if (++recordsSinceError_ == kRecordsPerError) {
                recordsSinceError_ = 0;
                ErrorEvent(clockIndex);
            }
        }

        std::uint8_t stop[24] = {};
        stop[0] = kRecordMarker;
        stop[1] = kEventSpanEnd;
        stop[2] = kSpanEndRecordingStopped;
        StoreU32(stop + 4, ++now_);
        stop[kRecordClockIndexOffset] = clockIndex;
        Append(stop);
        // The recorder is off the bus for a while before the next span.
        now_ += static_cast<std::uint32_t>(rng_.Range(50000, 300000));
    }

  private:
    void Append(const std::uint8_t* record) {
        memory_.records.insert(memory_.records.end(), record, record + kRecordSize);
    }

    void Frame(const MessageDef& def, const std::uint8_t* data, std::uint8_t clockIndex,
               bool remote = false) {
        std::uint8_t r[24] = {};
        r[0] = kRecordMarker;
        r[2] = def.transmitted ? 0xFF : 0x00;
        r[3] = static_cast<std::uint8_t>((def.extended ? 0x80 : 0) | (remote ? 0x40 : 0) |
                                         (def.dlc & 0x0F));
        StoreU32(r + 4, now_);
        StoreU32(r + 8, def.id);
        if (!remote) std::memcpy(r + 12, data, def.dlc);
        r[kRecordClockIndexOffset] = clockIndex;
        Append(r);
    }

    void ErrorEvent(std::uint8_t clockIndex) {
        std::uint8_t e[24] = {};
        const auto kind = static_cast<std::uint8_t>(errorCount_++ % kErrorKinds);
        e[0] = kRecordMarker;
        e[1] = static_cast<std::uint8_t>(kErrorFirst + kind);
        e[2] = static_cast<std::uint8_t>(rng_.Range(0, 3));  // which error counter moved
        e[3] = 2;
        StoreU32(e + 4, ++now_);
        e[8] = static_cast<std::uint8_t>(rng_.Range(1, 127));  // receive error counter
        e[9] = static_cast<std::uint8_t>(rng_.Range(0, 96));   // transmit error counter
        e[kRecordClockIndexOffset] = clockIndex;
        Append(e);
    }

    void Walk(std::int32_t& value, std::int32_t step, std::int32_t lo, std::int32_t hi) {
        value = std::clamp(value + static_cast<std::int32_t>(rng_.Range(-step, step)), lo, hi);
    }

    void Message(const MessageDef& def, VehicleState& v, std::uint8_t clockIndex) {
        std::uint8_t d[8] = {};
        switch (def.payload) {
            case Payload::EngineStd: {
                Walk(v.rpm, 40, 700, 4200);
                if (++v.engineMessages % 200 == 0 && v.coolant < 90) ++v.coolant;
                const auto raw = static_cast<std::uint16_t>(v.rpm * 4);
                d[0] = static_cast<std::uint8_t>(raw >> 8);  // big-endian signal
                d[1] = static_cast<std::uint8_t>(raw);
                d[2] = static_cast<std::uint8_t>(std::clamp((v.rpm - 700) * 100 / 3500, 0, 100));
                d[3] = static_cast<std::uint8_t>(v.coolant + 40);
                d[4] = static_cast<std::uint8_t>(v.rpm / 20);
                d[5] = 0x00;
                d[6] = static_cast<std::uint8_t>(v.counter++ & 0x0F);
                d[7] = 0;
                for (int i = 0; i < 7; ++i) d[7] ^= d[i];
                d[7] ^= static_cast<std::uint8_t>(def.id);
                break;
            }
            case Payload::WheelSpeeds: {
                // Speed follows engine speed loosely; wheels differ by a few tenths.
                const std::int32_t target = (v.rpm - 700) * 1200 / 3500;
                v.speedKmh10 += (target - v.speedKmh10) / 50;
                for (int w = 0; w < 4; ++w) {
                    const auto s = static_cast<std::uint16_t>(
                        std::max<std::int64_t>(0, v.speedKmh10 + rng_.Range(-3, 3)));
                    d[2 * w] = static_cast<std::uint8_t>(s >> 8);
                    d[2 * w + 1] = static_cast<std::uint8_t>(s);
                }
                break;
            }
            case Payload::BodyStatus:
                if (rng_.Range(0, 400) == 0)
                    v.doors ^= static_cast<std::uint8_t>(1 << rng_.Range(0, 3));
                if (rng_.Range(0, 900) == 0) v.lights ^= 0x03;
                d[0] = v.doors;
                d[1] = v.lights;
                d[2] = 0x00;
                d[3] = 0xA5;
                break;
            case Payload::Temperatures:
                if (v.oil < v.coolant) ++v.oil;
                d[0] = static_cast<std::uint8_t>(v.coolant + 40);
                d[1] = static_cast<std::uint8_t>(v.oil + 40);
                d[2] = static_cast<std::uint8_t>(25 + 40);  // intake air
                d[3] = static_cast<std::uint8_t>(12 + 40);  // ambient
                d[4] = 0xFF;
                d[5] = 0xFF;
                break;
            case Payload::AliveCounter:
                d[0] = aliveCounter_;
                d[1] = static_cast<std::uint8_t>(~aliveCounter_);
                ++aliveCounter_;
                break;
            case Payload::J1939Eec1: {
                Walk(v.rpm, 30, 600, 2400);
                const auto raw = static_cast<std::uint16_t>(v.rpm * 8);
                d[0] = 0xF0;
                d[1] = 0x7D;
                d[2] = static_cast<std::uint8_t>(125 + (v.rpm - 600) / 40);  // torque, offset 125
                d[3] = static_cast<std::uint8_t>(raw);
                d[4] = static_cast<std::uint8_t>(raw >> 8);
                d[5] = 0x00;
                d[6] = 0xFF;
                d[7] = 0xFF;
                break;
            }
            case Payload::J1939Ccvs: {
                const std::int32_t target = (v.rpm - 600) * 900 / 1800;
                v.speedKmh10 += (target - v.speedKmh10) / 20;
                const auto raw = static_cast<std::uint16_t>(std::max(0, v.speedKmh10) * 256 / 10);
                d[0] = 0xC0;
                d[1] = static_cast<std::uint8_t>(raw);
                d[2] = static_cast<std::uint8_t>(raw >> 8);
                d[3] = 0x10;
                std::memset(d + 4, 0xFF, 4);
                break;
            }
            case Payload::J1939Et1:
                if (v.coolant < 85) ++v.coolant;
                d[0] = static_cast<std::uint8_t>(v.coolant + 40);
                d[1] = static_cast<std::uint8_t>(v.coolant + 38);
                std::memset(d + 2, 0xFF, 6);
                break;
            case Payload::Heartbeat:
                d[0] = 0x05;  // operational
                break;
            case Payload::PresetFrame:
                for (int i = 0; i < 7; ++i) d[i] = static_cast<std::uint8_t>(0x11 * (i + 1));
                d[7] = presetCounter_++;
                break;
            case Payload::RemoteRequest: {
                Frame(def, d, clockIndex, true);
                now_ += 15;
                const auto uptime = now_ / (1000 * kTicksPerMs);
                StoreU32(d, uptime);
                d[4] = static_cast<std::uint8_t>(v.coolant + 40);
                d[5] = 0x01;
                d[6] = 0x00;
                d[7] = static_cast<std::uint8_t>(XorBytes(d, 7));
                break;
            }
            case Payload::TesterPresent:
                d[0] = 0x02;
                d[1] = 0x3E;
                d[2] = 0x00;
                std::memset(d + 3, 0x55, 5);  // padding
                break;
        }
        Frame(def, d, clockIndex);
    }

    RecorderMemory& memory_;
    CDemoRandom rng_;
    std::uint32_t now_ = 12345;  // recorder time, 0.1 ms
    std::uint32_t recordsSinceError_ = 0;
    std::uint32_t errorCount_ = 0;
    std::uint8_t aliveCounter_ = 0;
    std::uint8_t presetCounter_ = 0;
};

}  // namespace

RecorderImage GenerateDemoRecording(std::uint64_t seed) {
    RecorderImage image;
    std::uint32_t total = 0;
    for (const SpanDef& s : kSpans) total += s.records;
    image.memory.records.reserve((total + total / 1000 + 64) * kRecordSize);

    CDemoWriter writer(image.memory, seed);
    for (std::size_t k = 0; k < kSpans.size(); ++k)
        writer.Span(static_cast<std::uint8_t>(k), kSpans[k]);

    // Configured as it was for the last span; its clock is not running yet.
    const SpanDef& last = kSpans.back();
    image.config = FactoryConfig(last.start.data());
    StoreU32(image.config.baseInfo.data() + 0, kTimingRegisters[last.bitRateIndex]);
    StoreU32(image.config.baseInfo.data() + 8, kTimingRegisters[last.bitRateIndex]);
    // Two preset frames: the heartbeat and the fixed frame the recording shows
    // the recorder transmitting. The byte after the data is their checksum.
    struct Preset {
        std::uint32_t id;
        std::uint8_t dlc;
        std::uint8_t data[8];
    };
    constexpr Preset kPresets[2] = {{0x701, 1, {0x05}},
                                    {0x123, 8, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x00}}};
    for (std::size_t p = 0; p < 2; ++p) {
        std::uint8_t* r = image.config.presets.data() + p * kRecordSize;
        r[0] = kRecordMarker;
        r[2] = 0xFF;
        r[3] = kPresets[p].dlc;
        StoreU32(r + 8, kPresets[p].id);
        std::memcpy(r + 12, kPresets[p].data, kPresets[p].dlc);
        r[12 + kPresets[p].dlc] = XorBytes(r, 12 + kPresets[p].dlc);
    }
    return image;
}

const RecorderImage& DemoRecording() {
    static const RecorderImage demo = GenerateDemoRecording();
    return demo;
}

RecorderImage EmptyRecording() {
    RecorderImage image;
    image.config = FactoryConfig(kUnsetClock.data());
    return image;
}

}  // namespace pipeusb
