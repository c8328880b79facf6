#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/frame/CanObj.h"
#include "core/signals/SignalDatabase.h"

// Turns frames into signal values with the messages of one or more signal
// databases. This is the one place where bits become values: the frame list's
// signal pane, the plot, the search and korvex-cli all decode through it.
namespace korvex::signaldb {

// One signal decoded from one frame.
struct DecodedSignal {
    // The raw value's 64-bit pattern: sign-extended for a signed signal (read
    // it as std::int64_t), the IEEE bits for a float or double one.
    std::uint64_t raw = 0;
    double value = 0;                   // raw × factor + offset
    const std::string* text = nullptr;  // the value table's text for raw, if any
};

// A signal as the decoder reads it, prepared once from its database entry.
// How a signal's physical values are written (SignalText.h): with `decimals`
// digits after the point, or, at -1, with the shortest text that reads back
// (as a float for float signals).
struct ValueFormat {
    std::int8_t decimals = -1;
    ValueType type = ValueType::kDouble;
};

struct CompiledSignal {
    std::uint64_t mask = 0;  // `length` low bits
    // The signal's bits are those of the little-endian (Intel) or big-endian
    // (Motorola) data word shifted left by leftShift, then right by
    // rightShift: arithmetically for a signed integer, which extends its sign.
    std::uint8_t leftShift = 0;
    std::uint8_t rightShift = 0;
    std::uint8_t needBytes = 0;  // data bytes the frame must carry; 9: more than a frame has
    std::uint8_t length = 0;
    bool motorola = false;
    bool isSigned = false;  // a signed integer (never set for float or double)
    ValueType type = ValueType::kInteger;
    double factor = 1;
    double offset = 0;
    ValueFormat format;
    int multiplexor = -1;
    const std::vector<MuxRange>* muxRanges = nullptr;
    const ValueTable* values = nullptr;  // nullptr when empty
    // The texts of raw values 0 .. n-1 by index, when every key of the value
    // table is among them (the usual case: enumerations from 0).
    std::vector<const std::string*> denseValues;
};

struct CompiledMessage {
    const DbcMessage* message = nullptr;
    int database = 0;                        // its database's place in the decoder's list
    std::vector<CompiledSignal> signalList;  // in the database's order
    // Multiplexed messages: signal indices with every multiplexor before the
    // signals it selects.
    std::vector<int> muxOrder;
    bool multiplexed = false;
};

// Room for one frame's multiplexor values, sized once per decoding pass so
// that decoding a frame allocates nothing.
class CDecodeScratch {
  public:
    explicit CDecodeScratch(std::size_t count) : raw(count), present(count) {}
    std::vector<std::int64_t> raw;
    std::vector<std::uint8_t> present;
};

class CSignalDecoder {
  public:
    using DatabaseList = std::vector<std::shared_ptr<const DbcDatabase>>;

    CSignalDecoder() = default;
    // For a frame, the first database in `databases` that has its message
    // wins; within a database an exact identifier comes before a J1939
    // parameter group.
    explicit CSignalDecoder(DatabaseList databases);

    const DatabaseList& Databases() const { return databases; }
    const std::vector<CompiledMessage>& Messages() const { return messages; }
    std::size_t MaxSignals() const { return maxSignals; }
    bool Empty() const { return messages.empty(); }

    // The message a frame carries; nullptr for remote frames, event records
    // and identifiers that no database knows.
    const CompiledMessage* Find(const _VCI_CAN_OBJ& frame) const;

    // Calls sink(signalIndex, const DecodedSignal&) for every signal of
    // `message` that `frame` carries, in the database's order. A signal whose
    // bytes reach past the frame's data length is left out, and so is a
    // multiplexed signal whose multiplexor (and each enclosing one) is left
    // out or holds no selecting value.
    template <typename Sink>
    void Decode(const CompiledMessage& message, const _VCI_CAN_OBJ& frame, CDecodeScratch& scratch,
                Sink&& sink) const;

    // One signal of the message alone; false when the frame does not carry it.
    bool DecodeOne(const CompiledMessage& message, int signal, const _VCI_CAN_OBJ& frame,
                   DecodedSignal& out) const;

  private:
    // Open addressing from identifier (or parameter group) to message index.
    class CIdTable {
      public:
        void Build(const std::vector<std::pair<std::uint32_t, int>>& entries);
        int Find(std::uint32_t key) const;

      private:
        std::vector<std::uint32_t> keys;
        std::vector<int> values;
        std::uint32_t bits = 0;
    };

    DatabaseList databases;
    std::vector<CompiledMessage> messages;
    std::array<int, 2048> standard{};
    CIdTable extended;
    CIdTable groups;
    std::size_t maxSignals = 0;
};

// --- the decoding itself ------------------------------------------------------

struct DataWords {
    std::uint64_t little;  // byte 0 lowest
    std::uint64_t big;     // byte 0 highest
};

inline DataWords LoadDataWords(const _VCI_CAN_OBJ& frame) {
    std::uint64_t w;
    std::memcpy(&w, frame.Data, sizeof w);
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
    return {w, __builtin_bswap64(w)};
}

inline int FrameDataLength(const _VCI_CAN_OBJ& frame) {
    return frame.DataLen < 8 ? frame.DataLen : 8;
}

// The signal's bits, sign-extended when it is a signed integer. Without
// branches on the data: frames of a recording come in no useful order.
inline std::uint64_t ExtractRaw(const CompiledSignal& s, const DataWords& w) {
    const std::uint64_t up = (s.motorola ? w.big : w.little) << s.leftShift;
    const std::uint64_t logical = up >> s.rightShift;
    const auto arithmetic =
        static_cast<std::uint64_t>(static_cast<std::int64_t>(up) >> s.rightShift);
    return s.isSigned ? arithmetic : logical;
}

inline void CompleteValue(const CompiledSignal& s, std::uint64_t raw, DecodedSignal& out) {
    out.raw = raw;
    out.text = nullptr;
    double v;
    switch (s.type) {
        case ValueType::kFloat:
            v = std::bit_cast<float>(static_cast<std::uint32_t>(raw));
            break;
        case ValueType::kDouble:
            v = std::bit_cast<double>(raw);
            break;
        default:
            // Below 64 bits an unsigned raw value is a non-negative int64,
            // whose conversion is one instruction.
            v = s.isSigned || s.length < 64 ? static_cast<double>(static_cast<std::int64_t>(raw))
                                            : static_cast<double>(raw);
            if (raw < s.denseValues.size())
                out.text = s.denseValues[raw];
            else if (s.values != nullptr && s.denseValues.empty())
                out.text = ValueText(*s.values, static_cast<std::int64_t>(raw));
            break;
    }
    out.value = v * s.factor + s.offset;
}

inline bool InMuxRanges(const std::vector<MuxRange>& ranges, std::int64_t raw) {
    for (const MuxRange& r : ranges)
        if (raw >= r.from && raw <= r.to) return true;
    return false;
}

template <typename Sink>
void CSignalDecoder::Decode(const CompiledMessage& message, const _VCI_CAN_OBJ& frame,
                            CDecodeScratch& scratch, Sink&& sink) const {
    const DataWords words = LoadDataWords(frame);
    const int dataLength = FrameDataLength(frame);
    const int count = static_cast<int>(message.signalList.size());
    DecodedSignal decoded;
    if (!message.multiplexed) {
        for (int i = 0; i < count; ++i) {
            const CompiledSignal& s = message.signalList[i];
            if (s.needBytes > dataLength) continue;
            CompleteValue(s, ExtractRaw(s, words), decoded);
            sink(i, static_cast<const DecodedSignal&>(decoded));
        }
        return;
    }
    for (const int i : message.muxOrder) {
        const CompiledSignal& s = message.signalList[i];
        bool present = s.needBytes <= dataLength;
        if (present && s.multiplexor >= 0)
            present = scratch.present[s.multiplexor] != 0 &&
                      InMuxRanges(*s.muxRanges, scratch.raw[s.multiplexor]);
        scratch.present[i] = present;
        if (present) scratch.raw[i] = static_cast<std::int64_t>(ExtractRaw(s, words));
    }
    for (int i = 0; i < count; ++i) {
        if (scratch.present[i] == 0) continue;
        CompleteValue(message.signalList[i], static_cast<std::uint64_t>(scratch.raw[i]), decoded);
        sink(i, static_cast<const DecodedSignal&>(decoded));
    }
}

// Decodes frames[0..count), which sit at store indices firstIndex onwards:
// sink(index, frame, message, signalIndex, decoded) for every decoded signal,
// in frame order. A pass over part of a recording; passes over disjoint parts
// may run at once, each with its own sink.
template <typename Sink>
void DecodeFrames(const CSignalDecoder& decoder, const _VCI_CAN_OBJ* frames, std::size_t count,
                  long long firstIndex, Sink&& sink) {
    CDecodeScratch scratch(decoder.MaxSignals());
    for (std::size_t k = 0; k < count; ++k) {
        const _VCI_CAN_OBJ& frame = frames[k];
        const CompiledMessage* message = decoder.Find(frame);
        if (message == nullptr) continue;
        const long long index = firstIndex + static_cast<long long>(k);
        decoder.Decode(*message, frame, scratch, [&](int signal, const DecodedSignal& d) {
            sink(index, frame, *message, signal, d);
        });
    }
}

}  // namespace korvex::signaldb
