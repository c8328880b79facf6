#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/analysis/rules/FrameSearch.h"
#include "core/signals/DbcReader.h"

namespace {

using korvex::SearchCondition;
using korvex::SearchRequest;
using korvex::SearchStatus;

constexpr char kDbc[] = R"(VERSION ""
BO_ 291 Engine: 8 Ecu
 SG_ Gear : 0|4@1+ (1,0) [0|15] "" Ecu
 SG_ Temp : 15|8@0- (0.5,-40) [-104|23.5] "" Ecu
 SG_ Late : 56|8@1+ (1,0) [0|255] "" Ecu
BO_ 512 Muxed: 4 Ecu
 SG_ Mode M : 0|8@1+ (1,0) [0|255] "" Ecu
 SG_ Level m3 : 16|16@1- (1,0) [0|0] "" Ecu
VAL_ 291 Gear 0 "Neutral" 1 "First" 2 "Second" ;
)";

_VCI_CAN_OBJ Frame(std::uint32_t id, std::vector<std::uint8_t> data) {
    _VCI_CAN_OBJ f{};
    f.ID = id;
    f.DataLen = static_cast<std::uint8_t>(data.size());
    for (std::size_t k = 0; k < data.size(); ++k) f.Data[k] = data[k];
    return f;
}

class SignalSearch : public ::testing::Test {
  protected:
    void SetUp() override {
        auto db = std::make_shared<korvex::signaldb::DbcDatabase>();
        korvex::signaldb::DbcError error;
        ASSERT_TRUE(korvex::signaldb::ParseDbcText(kDbc, *db, error)) << error.reason;
        decoder = korvex::signaldb::CSignalDecoder({db});
        // Temp is the second byte: raw 0x64 = 100 → 10, 0x50 = 80 → 0,
        // 0xF0 = -16 → -48. Frame 3 is too short for Late.
        const std::vector<_VCI_CAN_OBJ> frames = {
            Frame(0x123, {0x00, 0x64, 0, 0, 0, 0, 0, 7}),  // Neutral, 10
            Frame(0x123, {0x01, 0x50, 0, 0, 0, 0, 0, 9}),  // First, 0
            Frame(0x200, {0x03, 0x00, 0xFE, 0xFF}),        // Level -2
            Frame(0x123, {0x02, 0xF0}),                    // Second, -48
            Frame(0x200, {0x02, 0x00, 0x05, 0x00}),        // Level not selected
            Frame(0x124, {0x01, 0x64, 0, 0, 0, 0, 0, 0}),  // no message
        };
        store.Reserve(8192);
        for (const _VCI_CAN_OBJ& f : frames) store.Push(f);
    }

    // The source indices of the hits of one condition on `signal`.
    std::vector<int> Hits(const std::string& signal, SearchCondition c, const std::string& text,
                          korvex::PassSplit split = {}) {
        SearchRequest request;
        request.ticked[c] = true;
        request.texts[c] = text;
        korvex::CSearchResults results;
        const korvex::SearchOutcome o =
            korvex::RunSignalSearch(request, signal, decoder, false, store, results, split);
        EXPECT_EQ(o.status, SearchStatus::kDone);
        std::vector<int> hits;
        for (int k = 0; k < o.count; ++k) hits.push_back(results.Source(k));
        return hits;
    }

    korvex::signaldb::CSignalDecoder decoder;
    CCycleBuffer<_VCI_CAN_OBJ> store;
};

using Indices = std::vector<int>;

TEST_F(SignalSearch, ConditionsCompareThePhysicalValueTheRawValueAndTheValueText) {
    EXPECT_EQ(Hits("Engine.Temp", korvex::kEqual, "10"), Indices({0}));
    EXPECT_EQ(Hits("Engine.Temp", korvex::kEqual, " +1e1 "), Indices({0}));
    EXPECT_EQ(Hits("Engine.Temp", korvex::kEqual, "0xF0"), Indices({3}));  // raw, in 8 bits
    EXPECT_EQ(Hits("Engine.Temp", korvex::kGreater, "-48"), Indices({0, 1}));
    EXPECT_EQ(Hits("Engine.Temp", korvex::kLess, "0x60"), Indices({1}));
    EXPECT_EQ(Hits("Engine.Temp", korvex::kContains, "4"), Indices({3}));
    EXPECT_EQ(Hits("Engine.Temp", korvex::kGreater, "ten"), Indices());
    // The value table, upper and lower case alike; not equal only among the
    // frames that carry the signal.
    EXPECT_EQ(Hits("Engine.Gear", korvex::kEqual, "first"), Indices({1}));
    EXPECT_EQ(Hits("Engine.Gear", korvex::kContains, "ND"), Indices({3}));
    EXPECT_EQ(Hits("Engine.Gear", korvex::kNotEqual, "Neutral"), Indices({1, 3}));
    EXPECT_EQ(Hits("Engine.Gear", korvex::kNotEqual, "2"), Indices({0, 1}));
    // A signal past the frame's data and one its multiplexor does not select.
    EXPECT_EQ(Hits("Engine.Late", korvex::kGreater, "0"), Indices({0, 1}));
    EXPECT_EQ(Hits("Muxed.Level", korvex::kLess, "0"), Indices({2}));
}

TEST_F(SignalSearch, SplitPassesFindWhatOnePassFindsAndRefusalsKeepTheResults) {
    for (int i = 0; i < 5000; ++i)
        store.Push(Frame(0x123, {static_cast<std::uint8_t>(i % 3), static_cast<std::uint8_t>(i)}));
    korvex::PassSplit one;
    one.threads = 1;
    korvex::PassSplit many;
    many.threads = 4;
    many.blockItems = 97;
    // Above 0 °: raw 81..127, 47 of every 256 frames, and frame 0.
    const Indices single = Hits("Engine.Temp", korvex::kGreater, "0", one);
    EXPECT_EQ(single.size(), 20u * 47 + 1);
    EXPECT_EQ(Hits("Engine.Temp", korvex::kGreater, "0", many), single);

    korvex::CSearchResults results;
    SearchRequest request;
    request.ticked[korvex::kEqual] = true;
    request.texts[korvex::kEqual] = "1";
    ASSERT_EQ(korvex::RunSignalSearch(request, "Engine.Gear", decoder, false, store, results).count,
              1668);
    for (const char* unknown : {"Engine.Rpm", "Other.Gear", "Gear"})
        EXPECT_EQ(korvex::RunSignalSearch(request, unknown, decoder, true, store, results).status,
                  SearchStatus::kUnknownSignal);
    request.texts[korvex::kEqual] = " ";
    EXPECT_EQ(korvex::RunSignalSearch(request, "Engine.Gear", decoder, true, store, results).status,
              SearchStatus::kEmptyText);
    EXPECT_EQ(results.ItemCount(), 1668);
}

}  // namespace
