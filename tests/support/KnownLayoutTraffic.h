#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "core/discover/BitField.h"
#include "core/discover/Checksum8.h"
#include "core/discover/MessageDiscovery.h"
#include "core/frame/CanObj.h"

// Traffic whose layout is known, for measuring what discovery finds: each
// identifier has some of a rolling counter, a checksum byte of one of the
// four kinds, signals of 8 to 16 bits in either byte order and sign that
// sweep their whole range, rare flags, and constant bits everywhere else.
namespace korvex::test {

using discover::BitField;
using discover::ByteOrder;
using discover::ChecksumAlgorithm;
using discover::FieldKind;

struct KnownField {
    FieldKind kind = FieldKind::kSignal;
    BitField bits;
    bool isSigned = false;
    ChecksumAlgorithm algorithm = ChecksumAlgorithm::kXor;
    bool withIdByte = false;
    int period = 0;  // signals: frames for one sweep up and down
    int phase = 0;
};

struct KnownMessage {
    discover::MessageKey key;
    std::vector<KnownField> fields;
    std::uint64_t constantMask = 0;  // bits that are part of no field
    std::uint64_t constantValue = 0;
};

class CKnownTraffic {
  public:
    CKnownTraffic(unsigned seed, int messageCount) : random(seed) {
        for (int i = 0; i < messageCount; ++i) messages.push_back(MakeLayout(i));
        counters.assign(messages.size(), 0);
        flags.assign(messages.size(), 0);
        steps.assign(messages.size(), 0);
    }

    const std::vector<KnownMessage>& Messages() const { return messages; }

    // The next frame of message `m`. One frame in two hundred is lost: the
    // counter skips a value.
    _VCI_CAN_OBJ Next(std::size_t m) {
        const KnownMessage& message = messages[m];
        const int t = steps[m]++;
        if (random() % 200 == 0) ++counters[m];
        const std::uint64_t counter = counters[m]++;
        std::uint64_t word = message.constantValue & message.constantMask;
        const KnownField* checksum = nullptr;
        for (const KnownField& f : message.fields) {
            std::uint64_t raw = 0;
            switch (f.kind) {
                case FieldKind::kCounter:
                    raw = counter;
                    break;
                case FieldKind::kSignal:
                    raw = Sweep(f, t);
                    break;
                case FieldKind::kFlag:
                    if (random() % 200 == 0) flags[m] ^= FlagBit(f);
                    raw = (flags[m] & FlagBit(f)) != 0;
                    break;
                case FieldKind::kChecksum:
                    checksum = &f;
                    continue;
            }
            word |= Place(f.bits, raw);
        }
        if (checksum != nullptr)
            word |= Place(checksum->bits, ChecksumOf(message, *checksum, word));
        _VCI_CAN_OBJ frame{};
        frame.ID = message.key.id;
        frame.ExternFlag = message.key.extended;
        frame.DataLen = message.key.length;
        frame.TimeFlag = 1;
        std::memcpy(frame.Data, &word, sizeof word);
        return frame;
    }

    // `perMessage` frames of every message, the messages taking turns.
    std::vector<_VCI_CAN_OBJ> Frames(int perMessage) {
        std::vector<_VCI_CAN_OBJ> frames;
        for (int i = 0; i < perMessage; ++i)
            for (std::size_t m = 0; m < messages.size(); ++m) frames.push_back(Next(m));
        return frames;
    }

  private:
    static std::uint64_t Place(const BitField& bits, std::uint64_t raw) {
        int wordBits[64];
        std::uint64_t word = 0;
        const int n = discover::FieldWordBits(bits, wordBits);
        for (int i = 0; i < n; ++i) word |= ((raw >> i) & 1) << wordBits[i];
        return word;
    }
    static std::uint64_t FlagBit(const KnownField& f) { return discover::FieldMask(f.bits); }

    // A triangle from the lowest value to the highest and back, with noise
    // as large as a step, as a sensor's reading has.
    std::uint64_t Sweep(const KnownField& f, int t) {
        const double low = f.isSigned ? -std::ldexp(1.0, f.bits.length - 1) : 0.0;
        const double high = low + std::ldexp(1.0, f.bits.length) - 1;
        const int phase = (t + f.phase) % f.period;
        const double half = f.period / 2.0;
        const double u = phase < half ? phase / half : 2.0 - phase / half;
        const double step = (high - low) / half;
        const double noise = std::uniform_real_distribution<double>(-step, step)(random);
        const auto value = static_cast<std::int64_t>(
            std::llround(std::clamp(low + u * (high - low) + noise, low, high)));
        return static_cast<std::uint64_t>(value) & ((std::uint64_t{1} << f.bits.length) - 1);
    }

    static std::uint8_t ChecksumOf(const KnownMessage& message, const KnownField& f,
                                   std::uint64_t word) {
        std::uint8_t covered[9];
        int n = 0;
        if (f.withIdByte) covered[n++] = static_cast<std::uint8_t>(message.key.id);
        for (int k = 0; k < message.key.length; ++k)
            if (k != f.bits.lsb / 8) covered[n++] = static_cast<std::uint8_t>(word >> (8 * k));
        return discover::Checksum8(f.algorithm, {covered, static_cast<std::size_t>(n)});
    }

    int Pick(int low, int high) { return low + static_cast<int>(random() % (high - low + 1)); }

    bool TryPlace(KnownMessage& message, std::uint64_t& used, KnownField field, int tries = 40) {
        for (int i = 0; i < tries; ++i) {
            field.bits.order = random() % 2 ? ByteOrder::kMotorola : ByteOrder::kIntel;
            field.bits.lsb = Pick(0, 8 * message.key.length - 1);
            if (!discover::FieldFits(field.bits, message.key.length)) continue;
            const std::uint64_t mask = discover::FieldMask(field.bits);
            if (mask & used) continue;
            used |= mask;
            message.fields.push_back(field);
            return true;
        }
        return false;
    }

    KnownMessage MakeLayout(int index) {
        KnownMessage message;
        message.key.extended = index % 5 == 4;
        // Odd low bytes keep "with the identifier's byte" apart from
        // "without"; standard identifiers stay within 11 bits up to 1024
        // messages.
        message.key.id = message.key.extended ? 0x18FF0001u + 0x100u * index
                                              : 0x101u + 2u * static_cast<unsigned>(index);
        message.key.length = random() % 4 == 0 ? 6 : 8;
        std::uint64_t used = 0;
        if (random() % 4 != 0) {
            KnownField checksum;
            checksum.kind = FieldKind::kChecksum;
            checksum.algorithm = discover::kChecksumAlgorithms[random() % 4];
            checksum.withIdByte = random() % 2 == 0;
            const int byte = random() % 2 ? 0 : message.key.length - 1;
            checksum.bits = {ByteOrder::kIntel, 8 * byte, 8};
            used |= discover::FieldMask(checksum.bits);
            message.fields.push_back(checksum);
        }
        if (random() % 4 != 0) {
            KnownField counter;
            counter.kind = FieldKind::kCounter;
            counter.bits.length = Pick(2, 8);
            TryPlace(message, used, counter);
        }
        for (int n = Pick(1, 3); n > 0; --n) {
            KnownField signal;
            signal.bits.length = Pick(8, 16);
            signal.isSigned = random() % 2 == 0;
            signal.period = Pick(150, 600);
            signal.phase = Pick(0, signal.period - 1);
            TryPlace(message, used, signal);
        }
        for (int n = Pick(0, 2); n > 0; --n) {
            KnownField flag;
            flag.kind = FieldKind::kFlag;
            flag.bits.length = 1;
            TryPlace(message, used, flag);
        }
        const std::uint64_t dataBits = message.key.length == 8
                                           ? ~std::uint64_t{0}
                                           : (std::uint64_t{1} << (8 * message.key.length)) - 1;
        message.constantMask = dataBits & ~used;
        message.constantValue = (std::uint64_t{random()} << 32) | random();
        return message;
    }

    std::mt19937 random;
    std::vector<KnownMessage> messages;
    std::vector<std::uint64_t> counters;
    std::vector<std::uint64_t> flags;
    std::vector<int> steps;
};

}  // namespace korvex::test
