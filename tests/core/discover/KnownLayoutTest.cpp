// Discovery measured on traffic of a known layout: how many of the counters,
// checksums and signals it finds exactly, and how many of the fields it
// reports are right.
#include <gtest/gtest.h>

#include <bit>

#include "core/discover/Discover.h"
#include "tests/support/KnownLayoutTraffic.h"

namespace korvex::discover {
namespace {

using test::KnownField;
using test::KnownMessage;

bool SameBits(const BitField& a, const BitField& b) {
    return FieldMask(a) == FieldMask(b) && (a.order == b.order || FieldInOneByte(a));
}

// A field found where a known one is: same bits read in the same direction.
// Within one byte both byte orders read alike.
bool Matches(const FoundField& found, const KnownField& known) {
    if (found.kind != known.kind || !SameBits(found.bits, known.bits)) return false;
    switch (known.kind) {
        case FieldKind::kChecksum:
            return found.algorithm == known.algorithm && found.withIdByte == known.withIdByte;
        case FieldKind::kSignal:
            return found.isSigned == known.isSigned;
        default:
            return true;
    }
}

struct Tally {
    int known = 0;
    int found = 0;
};

TEST(KnownLayoutTest, FindsCountersChecksumsAndFields) {
    Tally counters, checksums, signalFields, flags;
    int reportedMultiBit = 0;
    int reportedRight = 0;
    std::string missed;
    for (const unsigned seed : {1u, 2u, 3u, 4u}) {
        test::CKnownTraffic traffic(seed, 60);
        const std::vector<_VCI_CAN_OBJ> frames = traffic.Frames(2000);
        std::vector<MessageDiscovery> messages;
        ASSERT_TRUE(DiscoverMessages(frames, {}, {}, messages));
        ASSERT_EQ(messages.size(), traffic.Messages().size());
        for (const KnownMessage& known : traffic.Messages()) {
            const auto at =
                std::find_if(messages.begin(), messages.end(),
                             [&](const MessageDiscovery& m) { return m.key == known.key; });
            ASSERT_NE(at, messages.end());
            const MessageDiscovery& m = *at;
            EXPECT_EQ(m.status, DiscoveryStatus::kAnalysed);
            // Constant bits are exactly the bits of no field.
            EXPECT_EQ(m.constantBits, known.constantMask) << std::hex << known.key.id;
            for (const KnownField& k : known.fields) {
                Tally& tally = k.kind == FieldKind::kCounter    ? counters
                               : k.kind == FieldKind::kChecksum ? checksums
                               : k.kind == FieldKind::kFlag     ? flags
                                                                : signalFields;
                ++tally.known;
                const bool found = std::any_of(m.fields.begin(), m.fields.end(),
                                               [&](const FoundField& f) { return Matches(f, k); });
                tally.found += found;
                if (!found)
                    missed += " " + std::to_string(seed) + ":" + std::to_string(known.key.id) +
                              "/" + std::to_string(static_cast<int>(k.kind)) + "@" +
                              std::to_string(DbcStartBit(k.bits));
            }
            for (const FoundField& f : m.fields) {
                if (f.kind != FieldKind::kSignal || f.bits.length < 2) continue;
                ++reportedMultiBit;
                reportedRight += std::any_of(known.fields.begin(), known.fields.end(),
                                             [&](const KnownField& k) { return Matches(f, k); });
            }
        }
    }
    const auto share = [](int part, int whole) { return whole ? double(part) / whole : 1.0; };
    SCOPED_TRACE("missed (seed:id/kind@start):" + missed);
    EXPECT_GE(share(counters.found, counters.known), 0.9);
    EXPECT_GE(share(checksums.found, checksums.known), 0.9);
    EXPECT_GE(share(signalFields.found, signalFields.known), 0.85);
    EXPECT_GE(share(reportedRight, reportedMultiBit), 0.85);
    EXPECT_GE(share(flags.found, flags.known), 0.8);
    RecordProperty("counters",
                   std::to_string(counters.found) + "/" + std::to_string(counters.known));
    RecordProperty("checksums",
                   std::to_string(checksums.found) + "/" + std::to_string(checksums.known));
    RecordProperty("signals",
                   std::to_string(signalFields.found) + "/" + std::to_string(signalFields.known));
    RecordProperty("flags", std::to_string(flags.found) + "/" + std::to_string(flags.known));
    RecordProperty("reported",
                   std::to_string(reportedRight) + "/" + std::to_string(reportedMultiBit));
}

}  // namespace
}  // namespace korvex::discover
