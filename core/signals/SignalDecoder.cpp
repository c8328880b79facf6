#include "core/signals/SignalDecoder.h"

#include <algorithm>

#include "core/signals/J1939.h"
#include "core/signals/SignalLayout.h"
#include "core/signals/SignalText.h"

namespace korvex::signaldb {
namespace {

constexpr std::uint32_t kEmptyKey = 0xFFFFFFFFu;

CompiledSignal Compile(const DbcSignal& s) {
    CompiledSignal c;
    c.length = static_cast<std::uint8_t>(s.length);
    c.mask = s.length >= 64 ? ~0ULL : (1ULL << s.length) - 1;
    c.motorola = s.byteOrder == ByteOrder::kMotorola;
    c.isSigned = s.isSigned && s.valueType == ValueType::kInteger;
    c.type = s.valueType;
    c.factor = s.factor;
    c.offset = s.offset;
    c.format = {static_cast<std::int8_t>(ValueDecimals(s)), s.valueType};
    c.multiplexor = s.multiplexor;
    c.muxRanges = &s.muxRanges;
    c.values = s.values.empty() ? nullptr : &s.values;
    constexpr std::int64_t kDenseLimit = 256;
    if (!s.values.empty() && s.values.front().first >= 0 && s.values.back().first < kDenseLimit) {
        c.denseValues.assign(static_cast<std::size_t>(s.values.back().first) + 1, nullptr);
        for (const auto& [raw, text] : s.values)
            c.denseValues[static_cast<std::size_t>(raw)] = &text;
    }
    const long long need = SignalBytesNeeded(s);
    if (need > 8) {
        // Past the eight bytes a frame holds: never decoded.
        c.needBytes = 9;
        return c;
    }
    c.needBytes = static_cast<std::uint8_t>(need);
    // The position of the signal's least significant bit in its word.
    const long long lowest =
        c.motorola ? 64 - (MotorolaFirstPosition(s.startBit) + s.length) : s.startBit;
    c.leftShift = static_cast<std::uint8_t>(64 - lowest - s.length);
    c.rightShift = static_cast<std::uint8_t>(64 - s.length);
    return c;
}

int MuxDepth(const DbcMessage& m, int i) {
    int depth = 0;
    for (int at = m.signalList[i].multiplexor; at >= 0; at = m.signalList[at].multiplexor) ++depth;
    return depth;
}

CompiledMessage Compile(const DbcMessage& m, int database) {
    CompiledMessage c;
    c.message = &m;
    c.database = database;
    c.signalList.reserve(m.signalList.size());
    for (const DbcSignal& s : m.signalList) {
        c.signalList.push_back(Compile(s));
        c.multiplexed = c.multiplexed || s.isMultiplexed;
    }
    if (c.multiplexed) {
        std::vector<std::pair<int, int>> byDepth;
        for (int i = 0; i < static_cast<int>(m.signalList.size()); ++i)
            byDepth.emplace_back(MuxDepth(m, i), i);
        std::stable_sort(byDepth.begin(), byDepth.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& entry : byDepth) c.muxOrder.push_back(entry.second);
    }
    return c;
}

}  // namespace

void CSignalDecoder::CIdTable::Build(const std::vector<std::pair<std::uint32_t, int>>& entries) {
    bits = 4;
    while ((1u << bits) < entries.size() * 2 + 1) ++bits;
    keys.assign(std::size_t{1} << bits, kEmptyKey);
    values.assign(keys.size(), -1);
    const std::uint32_t mask = (1u << bits) - 1;
    for (const auto& [key, value] : entries) {
        std::uint32_t slot = (key * 0x9E3779B1u) >> (32 - bits);
        while (keys[slot] != kEmptyKey && keys[slot] != key) slot = (slot + 1) & mask;
        if (keys[slot] == kEmptyKey) {
            keys[slot] = key;
            values[slot] = value;
        }
    }
}

int CSignalDecoder::CIdTable::Find(std::uint32_t key) const {
    if (keys.empty()) return -1;
    const std::uint32_t mask = (1u << bits) - 1;
    for (std::uint32_t slot = (key * 0x9E3779B1u) >> (32 - bits);; slot = (slot + 1) & mask) {
        if (keys[slot] == key) return values[slot];
        if (keys[slot] == kEmptyKey) return -1;
    }
}

CSignalDecoder::CSignalDecoder(DatabaseList list) : databases(std::move(list)) {
    standard.fill(-1);
    std::vector<std::pair<std::uint32_t, int>> exact;
    std::vector<std::pair<std::uint32_t, int>> byGroup;
    for (std::size_t d = 0; d < databases.size(); ++d) {
        for (const DbcMessage& m : databases[d]->messages) {
            const int index = static_cast<int>(messages.size());
            messages.push_back(Compile(m, static_cast<int>(d)));
            maxSignals = std::max(maxSignals, m.signalList.size());
            // Earlier entries win: the tables keep the first of equal keys.
            if (!m.extended) {
                if (standard[m.id] < 0) standard[m.id] = index;
                continue;
            }
            exact.emplace_back(m.id, index);
            if (m.j1939) byGroup.emplace_back(ParameterGroupNumber(m.id), index);
        }
    }
    extended.Build(exact);
    groups.Build(byGroup);
}

const CompiledMessage* CSignalDecoder::Find(const _VCI_CAN_OBJ& frame) const {
    if (frame.RemoteFlag != 0 || EventCode(frame) != 0) return nullptr;
    if (frame.ExternFlag == 0) {
        if (frame.ID >= standard.size()) return nullptr;
        const int i = standard[frame.ID];
        return i < 0 ? nullptr : &messages[i];
    }
    const std::uint32_t id = frame.ID & 0x1FFFFFFFu;
    const int byId = extended.Find(id);
    const int byGroup = groups.Find(ParameterGroupNumber(id));
    if (byId < 0 && byGroup < 0) return nullptr;
    if (byGroup < 0) return &messages[byId];
    if (byId < 0) return &messages[byGroup];
    return messages[byId].database <= messages[byGroup].database ? &messages[byId]
                                                                 : &messages[byGroup];
}

bool CSignalDecoder::DecodeOne(const CompiledMessage& message, int signal,
                               const _VCI_CAN_OBJ& frame, DecodedSignal& out) const {
    const DataWords words = LoadDataWords(frame);
    const int dataLength = FrameDataLength(frame);
    // The chain of multiplexors above the signal must each be present and
    // select the next.
    for (int at = signal; at >= 0;) {
        const CompiledSignal& s = message.signalList[at];
        if (s.needBytes > dataLength) return false;
        const int mux = s.multiplexor;
        if (mux >= 0) {
            const CompiledSignal& m = message.signalList[mux];
            if (m.needBytes > dataLength ||
                !InMuxRanges(*s.muxRanges, static_cast<std::int64_t>(ExtractRaw(m, words))))
                return false;
        }
        at = mux;
    }
    const CompiledSignal& s = message.signalList[signal];
    CompleteValue(s, ExtractRaw(s, words), out);
    return true;
}

}  // namespace korvex::signaldb
