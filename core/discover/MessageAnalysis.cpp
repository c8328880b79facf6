#include "core/discover/MessageAnalysis.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

namespace korvex::discover {
namespace {

using Series = std::span<const std::uint64_t>;

// A counter steps by one from frame to frame; a lost frame makes a step of a
// few. Wider steps, or standing still, break it.
constexpr double kCounterLeastSteps = 0.9;
constexpr double kCounterMostBreaks = 0.01;
constexpr int kCounterMostLost = 4;
// Bits that flip in fewer frames than this are too slow to be a counter's
// lowest bit.
constexpr double kCounterLsbFlipRate = 0.8;
// A checksum may be wrong in a few frames (damaged or mixed-in frames).
constexpr double kChecksumMostMismatches = 0.005;
// Within a field the flip rate does not rise from a bit to the one above it;
// this much rise is noise.
constexpr double kRiseFactor = 1.1;
constexpr double kRiseMargin = 0.02;
// Bits that flip at least this often are a field's noisy low bits, where a
// carry cannot be seen.
constexpr double kNoisyFlipRate = 0.3;
// Joining two runs is right when the joined value moves much less than the
// runs do apart: carries from the low run into the high one cancel out.
constexpr double kMostCarryRatio = 0.75;
constexpr std::size_t kCarrySample = 16384;
// One-bit fields that flip in fewer frames than this are flags.
constexpr double kFlagFlipRate = 0.05;

std::uint64_t Bit(int wordBit) {
    return std::uint64_t{1} << wordBit;
}

void CountBits(Series data, int length, MessageDiscovery& out) {
    // Byte histograms cost two increments a byte per frame; the bit counts
    // come from them afterwards.
    std::vector<std::uint32_t> ones(8 * 256);
    std::vector<std::uint32_t> flips(8 * 256);
    std::uint64_t previous = data.empty() ? 0 : data[0];
    for (const std::uint64_t word : data) {
        const std::uint64_t changed = word ^ previous;
        out.changes += changed != 0;
        for (int k = 0; k < length; ++k) {
            ++ones[static_cast<std::size_t>(k * 256 + ((word >> (8 * k)) & 0xFF))];
            ++flips[static_cast<std::size_t>(k * 256 + ((changed >> (8 * k)) & 0xFF))];
        }
        previous = word;
    }
    for (int k = 0; k < length; ++k)
        for (int v = 1; v < 256; ++v)
            for (int b = 0; b < 8; ++b) {
                if ((v >> b & 1) == 0) continue;
                const auto at = static_cast<std::size_t>(k * 256 + v);
                out.ones[static_cast<std::size_t>(8 * k + b)] += ones[at];
                out.flips[static_cast<std::size_t>(8 * k + b)] += flips[at];
            }
    for (int bit = 0; bit < 8 * length; ++bit)
        if (out.flips[static_cast<std::size_t>(bit)] == 0) out.constantBits |= Bit(bit);
}

bool CounterHolds(Series data, const BitField& field) {
    const std::int64_t steps = static_cast<std::int64_t>(data.size()) - 1;
    const auto mostBreaks = static_cast<std::int64_t>(kCounterMostBreaks * steps) + 1;
    const std::uint64_t mask = (std::uint64_t{1} << field.length) - 1;
    std::int64_t ones = 0;
    std::int64_t breaks = 0;
    std::uint64_t previous = FieldRaw(field, data[0]);
    for (std::size_t i = 1; i < data.size(); ++i) {
        const std::uint64_t value = FieldRaw(field, data[i]);
        const std::uint64_t step = (value - previous) & mask;
        previous = value;
        if (step == 1) {
            ++ones;
        } else if (step == 0 || step > kCounterMostLost) {
            if (++breaks > mostBreaks) return false;
        }
    }
    return ones >= kCounterLeastSteps * static_cast<double>(steps);
}

// The widest counter with its lowest bit at `lsb`, or 0. A run that still
// counts one bit wider is the low part of a wider value, no counter.
int LongestCounter(Series data, const MessageDiscovery& m, ByteOrder order, int lsb,
                   std::uint64_t taken) {
    int longest = 0;
    for (int n = 2; n <= 9; ++n) {
        const BitField field{order, lsb, n};
        if (!FieldFits(field, m.key.length) || (FieldMask(field) & taken) ||
            !CounterHolds(data, field))
            break;
        longest = n;
    }
    return longest <= 8 ? longest : 0;
}

void FindCounters(Series data, MessageDiscovery& out, std::uint64_t& taken) {
    for (int lsbBit = 0; lsbBit < 8 * out.key.length; ++lsbBit) {
        if ((taken & Bit(lsbBit)) || out.FlipRate(lsbBit) < kCounterLsbFlipRate) continue;
        // Both orders read alike up to the byte's top bit; the longer wins.
        BitField best;
        for (const ByteOrder order : {ByteOrder::kIntel, ByteOrder::kMotorola}) {
            const int lsb = OrderPosition(order, lsbBit);
            const int n = LongestCounter(data, out, order, lsb, taken);
            if (n > best.length || (best.length == 1 && n >= 2)) best = {order, lsb, n};
        }
        if (best.length < 2) continue;
        FoundField counter;
        counter.kind = FieldKind::kCounter;
        counter.bits = best;
        out.fields.push_back(counter);
        taken |= FieldMask(best);
    }
}

// How far the byte's bits are from standing still or toggling every frame:
// a checksum's bits look random.
double Randomness(const MessageDiscovery& m, int byte) {
    double score = 0;
    for (int b = 0; b < 8; ++b) {
        const double f = m.FlipRate(8 * byte + b);
        score += std::min(f, 1.0 - f);
    }
    return score;
}

bool ChecksumHolds(Series data, int length, int byte, ChecksumAlgorithm algorithm, bool withId,
                   std::uint32_t id) {
    const auto mostMismatches =
        static_cast<std::int64_t>(kChecksumMostMismatches * static_cast<double>(data.size()));
    std::int64_t mismatches = 0;
    std::uint8_t covered[9];
    for (const std::uint64_t word : data) {
        int n = 0;
        if (withId) covered[n++] = static_cast<std::uint8_t>(id);
        for (int k = 0; k < length; ++k)
            if (k != byte) covered[n++] = static_cast<std::uint8_t>(word >> (8 * k));
        const auto expected = static_cast<std::uint8_t>(word >> (8 * byte));
        if (Checksum8(algorithm, {covered, static_cast<std::size_t>(n)}) != expected &&
            ++mismatches > mostMismatches)
            return false;
    }
    return true;
}

int AlgorithmRank(ChecksumAlgorithm algorithm) {
    // The CRCs are the least likely to hold by chance.
    return static_cast<int>(algorithm);
}

void FindChecksum(Series data, MessageDiscovery& out, std::uint64_t& taken) {
    const int length = out.key.length;
    if (length < 2) return;
    bool found = false;
    FoundField best;
    double bestPreference = -1;
    for (int byte = 0; byte < length; ++byte) {
        const std::uint64_t mask = std::uint64_t{0xFF} << (8 * byte);
        if ((taken & mask) || (out.constantBits & mask) == mask) continue;
        for (const ChecksumAlgorithm algorithm : kChecksumAlgorithms) {
            if (found && AlgorithmRank(algorithm) > AlgorithmRank(best.algorithm)) break;
            for (const bool withId : {false, true}) {
                if (!ChecksumHolds(data, length, byte, algorithm, withId, out.key.id)) continue;
                // An XOR over all bytes that gives 0 makes any byte the XOR
                // of the others: messages keep checksums in the last or the
                // first byte, else the most random-looking one is taken.
                const double preference = (byte == length - 1 ? 20
                                           : byte == 0        ? 10
                                                              : 0) +
                                          Randomness(out, byte);
                if (found && AlgorithmRank(algorithm) == AlgorithmRank(best.algorithm) &&
                    preference <= bestPreference)
                    continue;
                found = true;
                bestPreference = preference;
                best.kind = FieldKind::kChecksum;
                best.bits = {ByteOrder::kIntel, 8 * byte, 8};
                best.algorithm = algorithm;
                best.withIdByte = withId;
                break;
            }
        }
    }
    if (!found) return;
    out.fields.push_back(best);
    taken |= FieldMask(best.bits);
}

// The sum of the steps of a field's value: small for a smooth signal.
double StepSum(Series data, const BitField& field, bool asSigned = false) {
    double sum = 0;
    std::int64_t previous = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::uint64_t raw = FieldRaw(field, data[i]);
        const std::int64_t value =
            asSigned ? SignExtend(raw, field.length) : static_cast<std::int64_t>(raw);
        if (i > 0) sum += std::abs(static_cast<double>(value) - static_cast<double>(previous));
        previous = value;
    }
    return sum;
}

// How much the joined value `merged` moves compared with its low part `low`
// and its high part `high` moving apart: about 1/3 for one field that
// sweeps, about 1 for two independent ones. The joined value is read both
// unsigned and signed, since a sign bit takes the carry of a signed value
// crossing zero, and so is the high part, which may be a signed value of its
// own.
double CarryRatio(Series data, const BitField& low, const BitField& high, const BitField& merged) {
    const double highSteps = std::min(StepSum(data, high), StepSum(data, high, true));
    const double apart = StepSum(data, low) + std::ldexp(highSteps, low.length);
    const double together = std::min(StepSum(data, merged), StepSum(data, merged, true));
    return apart > 0 ? together / apart : 1.0;
}

// A run of field bits in progress: its order is open while it lies in one
// byte, where both orders read the same value.
struct Chain {
    BitField field;  // in Intel form while the order is open
    bool orderKnown = false;
};

BitField InOrder(const Chain& chain, ByteOrder order) {
    if (chain.field.order == order) return chain.field;
    const int lsbBit = WordBit(chain.field.order, chain.field.lsb);
    return {order, OrderPosition(order, lsbBit), chain.field.length};
}

bool Rises(const MessageDiscovery& m, int lowerBit, int upperBit) {
    return m.FlipRate(upperBit) > m.FlipRate(lowerBit) * kRiseFactor + kRiseMargin;
}

// A field's low bits flip about every other frame, each a little more or
// less often than the one below it.
bool BothNoisy(const MessageDiscovery& m, int lowerBit, int upperBit) {
    return m.FlipRate(lowerBit) >= kNoisyFlipRate && m.FlipRate(upperBit) >= kNoisyFlipRate;
}

// Runs of field bits within each byte, from bit 0 up: a run ends at a bit
// that is not free, or where the flip rate rises.
std::vector<Chain> ByteRuns(const MessageDiscovery& m, std::uint64_t free) {
    std::vector<Chain> runs;
    for (int byte = 0; byte < m.key.length; ++byte) {
        bool open = false;
        for (int b = 0; b < 8; ++b) {
            const int bit = 8 * byte + b;
            if (!(free & Bit(bit))) {
                open = false;
                continue;
            }
            if (open) {
                BitField& run = runs.back().field;
                if (BothNoisy(m, bit - 1, bit) || !Rises(m, bit - 1, bit)) {
                    ++run.length;
                    continue;
                }
            }
            runs.push_back({{ByteOrder::kIntel, bit, 1}, false});
            open = true;
        }
    }
    return runs;
}

struct Join {
    std::size_t low = 0;
    std::size_t high = 0;
    BitField merged;
    double ratio = 0;
};

// Joins runs across byte boundaries, the best-carrying pair first. Intel
// continues a byte's bit 7 with bit 0 of the byte after it, Motorola with bit
// 0 of the byte before it.
void JoinAcrossBytes(Series data, const MessageDiscovery& m, std::vector<Chain>& chains) {
    for (;;) {
        bool any = false;
        Join best;
        for (std::size_t x = 0; x < chains.size(); ++x) {
            for (std::size_t y = 0; y < chains.size(); ++y) {
                if (x == y) continue;
                for (const ByteOrder order : {ByteOrder::kIntel, ByteOrder::kMotorola}) {
                    const Chain& lowChain = chains[x];
                    const Chain& highChain = chains[y];
                    if ((lowChain.orderKnown && lowChain.field.order != order) ||
                        (highChain.orderKnown && highChain.field.order != order))
                        continue;
                    const BitField low = InOrder(lowChain, order);
                    const BitField high = InOrder(highChain, order);
                    const int top = FieldMsbBit(low);
                    const int bottom = FieldLsbBit(high);
                    const int nextByte = order == ByteOrder::kIntel ? 1 : -1;
                    if (top % 8 != 7 || bottom % 8 != 0 || bottom / 8 != top / 8 + nextByte ||
                        low.length + high.length > 64 ||
                        (Rises(m, top, bottom) && !BothNoisy(m, top, bottom)))
                        continue;
                    const BitField merged{order, low.lsb, low.length + high.length};
                    const double ratio = CarryRatio(data, low, high, merged);
                    if (ratio >= kMostCarryRatio && m.FlipRate(bottom) < kNoisyFlipRate) continue;
                    if (!any || ratio < best.ratio) best = {x, y, merged, ratio};
                    any = true;
                }
            }
        }
        if (!any) return;
        chains[best.low] = {best.merged, true};
        chains.erase(chains.begin() + static_cast<std::ptrdiff_t>(best.high));
    }
}

// Splits a chain where a slow bit does not take the carries of the bits
// below it: a flag or a slow field resting on top of another field.
void SplitUncarried(Series data, const MessageDiscovery& m, std::vector<Chain>& chains) {
    for (std::size_t c = 0; c < chains.size(); ++c) {
        const BitField field = chains[c].field;
        const int direction = field.order == ByteOrder::kIntel ? 1 : -1;
        for (int i = 1; i < field.length; ++i) {
            const BitField upper{field.order, field.lsb + direction * i, 1};
            if (m.FlipRate(FieldLsbBit(upper)) >= kNoisyFlipRate) continue;
            const BitField lower{field.order, field.lsb, i};
            const BitField grown{field.order, field.lsb, i + 1};
            if (CarryRatio(data, lower, upper, grown) < kMostCarryRatio) continue;
            const Chain rest{{field.order, upper.lsb, field.length - i}, chains[c].orderKnown};
            chains[c].field = lower;
            chains.push_back(rest);
            break;
        }
    }
}

// Wrap-around jumps: steps of more than half the field's range.
std::int64_t WrapJumps(Series data, const BitField& field, bool asSigned) {
    const double half = std::ldexp(1.0, field.length - 1);
    std::int64_t jumps = 0;
    auto read = [&](std::uint64_t word) {
        const std::uint64_t raw = FieldRaw(field, word);
        return asSigned ? static_cast<double>(SignExtend(raw, field.length))
                        : static_cast<double>(raw);
    };
    double previous = read(data[0]);
    for (const std::uint64_t word : data) {
        const double value = read(word);
        jumps += std::abs(value - previous) > half;
        previous = value;
    }
    return jumps;
}

void FillRange(Series data, FoundField& field) {
    field.minimum = INT64_MAX;
    field.maximum = INT64_MIN;
    for (const std::uint64_t word : data) {
        const std::uint64_t raw = FieldRaw(field.bits, word);
        const std::int64_t value =
            field.isSigned ? SignExtend(raw, field.bits.length) : static_cast<std::int64_t>(raw);
        field.minimum = std::min(field.minimum, value);
        field.maximum = std::max(field.maximum, value);
    }
}

void FindFields(Series data, MessageDiscovery& out, std::uint64_t free) {
    std::vector<Chain> chains = ByteRuns(out, free);
    // Carries show within a few thousand frames.
    const Series sample = data.first(std::min<std::size_t>(data.size(), kCarrySample));
    JoinAcrossBytes(sample, out, chains);
    SplitUncarried(sample, out, chains);
    std::sort(chains.begin(), chains.end(), [](const Chain& a, const Chain& b) {
        return FieldLsbBit(a.field) < FieldLsbBit(b.field);
    });
    for (const Chain& chain : chains) {
        FoundField field;
        field.bits = chain.field;
        if (chain.field.length == 1) {
            field.kind = out.FlipRate(FieldLsbBit(chain.field)) < kFlagFlipRate
                             ? FieldKind::kFlag
                             : FieldKind::kSignal;
        } else {
            field.isSigned =
                WrapJumps(data, chain.field, true) < WrapJumps(data, chain.field, false);
        }
        out.fields.push_back(field);
    }
}

}  // namespace

MessageDiscovery AnalyseMessage(const MessageKey& key, Series data, std::int64_t frames,
                                std::int64_t minFrames) {
    MessageDiscovery out;
    out.key = key;
    out.frames = frames;
    out.analysed = static_cast<std::int64_t>(data.size());
    const int length = std::clamp<int>(key.length, 0, 8);
    CountBits(data, length, out);
    if (frames < std::max<std::int64_t>(minFrames, 2)) {
        out.status = DiscoveryStatus::kTooFewFrames;
        return out;
    }
    if (out.changes < kLeastChanges) {
        out.status = DiscoveryStatus::kTooFewChanges;
        return out;
    }
    const std::uint64_t dataBits =
        length >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * length)) - 1;
    std::uint64_t taken = out.constantBits | ~dataBits;
    FindCounters(data, out, taken);
    FindChecksum(data, out, taken);
    FindFields(data, out, ~taken);
    for (FoundField& field : out.fields) {
        field.lsbFlipRate = out.FlipRate(FieldLsbBit(field.bits));
        field.msbFlipRate = out.FlipRate(FieldMsbBit(field.bits));
        FillRange(data, field);
    }
    return out;
}

}  // namespace korvex::discover
