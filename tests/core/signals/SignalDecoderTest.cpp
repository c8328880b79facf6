#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/signals/DbcReader.h"
#include "core/signals/J1939.h"
#include "core/signals/SignalDecoder.h"
#include "core/signals/SignalText.h"

namespace {

using namespace korvex::signaldb;

std::shared_ptr<const DbcDatabase> Parse(const std::string& text) {
    auto db = std::make_shared<DbcDatabase>();
    DbcError error;
    EXPECT_TRUE(ParseDbcText(text, *db, error)) << error.line << ": " << error.reason;
    return db;
}

_VCI_CAN_OBJ Frame(std::uint32_t id, std::vector<std::uint8_t> data, bool extended = false) {
    _VCI_CAN_OBJ f{};
    f.ID = id;
    f.ExternFlag = extended ? 1 : 0;
    f.DataLen = static_cast<std::uint8_t>(data.size());
    for (std::size_t i = 0; i < data.size() && i < 8; ++i) f.Data[i] = data[i];
    return f;
}

// signal name → "raw value text": what Decode gives for the frame.
std::map<std::string, std::string> DecodeAll(const CSignalDecoder& decoder, const _VCI_CAN_OBJ& f) {
    std::map<std::string, std::string> out;
    const CompiledMessage* m = decoder.Find(f);
    if (m == nullptr) return out;
    CDecodeScratch scratch(decoder.MaxSignals());
    decoder.Decode(*m, f, scratch, [&](int i, const DecodedSignal& d) {
        std::string text;
        AppendRawText(text, m->signalList[i], d);
        text += ' ';
        AppendPhysicalText(text, m->signalList[i].format, d.value);
        if (d.text != nullptr) text += ' ' + *d.text;
        out[m->message->signalList[i].name] = text;
    });
    return out;
}

constexpr char kLayoutDbc[] = R"(
BO_ 291 Layout: 8 N
 SG_ I16 : 8|16@1+ (1,0) [0|0] "" N
 SG_ M12 : 7|12@0+ (1,0) [0|0] "" N
 SG_ S4 : 60|4@1- (2,1) [0|0] "" N
 SG_ M16 : 55|16@0- (1,0) [0|0] "" N
 SG_ Wrap : 3|6@0+ (0.5,0) [0|0] "" N
BO_ 292 Wide: 8 N
 SG_ F32 : 0|32@1+ (1,0) [0|0] "" N
 SG_ U64 : 0|64@1+ (1,0) [0|0] "" N
BO_ 293 Double: 8 N
 SG_ D64 : 7|64@0- (2,0) [0|0] "" N
SIG_VALTYPE_ 292 F32 : 1;
SIG_VALTYPE_ 293 D64 : 2;
VAL_ 291 S4 -1 "Negative" 7 "Top" ;
VAL_ 292 U64 18446744073709551615 "All ones" ;
)";

TEST(SignalDecoder, ReadsIntelAndMotorolaBitsSignedFloatAndShortFrames) {
    const CSignalDecoder decoder({Parse(kLayoutDbc)});
    using Values = std::map<std::string, std::string>;
    const struct {
        _VCI_CAN_OBJ frame;
        Values expected;
    } cases[] = {
        {Frame(291, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0}),
         {{"I16", "22068 22068"},
          {"M12", "291 291"},
          {"S4", "-1 -1 Negative"},
          {"M16", "-8464 -8464"},
          {"Wrap", "8 4"}}},
        // Two bytes carry only the signals that end in them.
        {Frame(291, {0x12, 0x34}), {{"M12", "291 291"}, {"Wrap", "8 4"}}},
        {Frame(291, {}), {}},
        {Frame(292, {0x00, 0x00, 0xC0, 0x3F, 0xFF, 0xFF, 0xFF, 0xFF}),
         {{"F32", "1.5 1.5"}, {"U64", "18446744070484131840 18446744070484131840"}}},
        {Frame(292, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
         {{"F32", "NaN NaN"}, {"U64", "18446744073709551615 18446744073709551616 All ones"}}},
        {Frame(293, {0x40, 0x09, 0x21, 0xFB, 0x54, 0x44, 0x2D, 0x18}),
         {{"D64", "6.283185307179586 6.283185307179586"}}},
        {Frame(293, {0x40, 0x09, 0x21, 0xFB, 0x54, 0x44, 0x2D}), {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeAll(decoder, c.frame), c.expected)
            << "frame " << c.frame.ID << " length " << +c.frame.DataLen;
    }
}

constexpr char kMuxDbc[] = R"(
BO_ 512 Muxed: 8 N
 SG_ Mode M : 0|4@1+ (1,0) [0|0] "" N
 SG_ Page m2M : 4|4@1+ (1,0) [0|0] "" N
 SG_ Deep m0 : 8|8@1+ (1,0) [0|0] "" N
 SG_ Far m1 : 56|8@1+ (1,0) [0|0] "" N
 SG_ Plain : 16|8@1+ (1,0) [0|0] "" N
SG_MUL_VAL_ 512 Page Mode 2-2, 5-6;
SG_MUL_VAL_ 512 Deep Page 0-3;
)";

TEST(SignalDecoder, DecodesMultiplexedSignalsOnlyUnderSelectingMultiplexors) {
    const CSignalDecoder decoder({Parse(kMuxDbc)});
    using Names = std::vector<std::string>;
    const struct {
        _VCI_CAN_OBJ frame;
        Names present;
    } cases[] = {
        {Frame(512, {0x02, 0x07, 0x09}), {"Deep", "Mode", "Page", "Plain"}},
        {Frame(512, {0x52, 0x07, 0x09}), {"Mode", "Page", "Plain"}},
        {Frame(512, {0x05, 0x07, 0x09}), {"Deep", "Mode", "Page", "Plain"}},
        {Frame(512, {0x13, 0x07, 0x09}), {"Mode", "Plain"}},  // Deep's multiplexor is absent
        {Frame(512, {0x01, 0, 0, 0, 0, 0, 0, 0x44}), {"Far", "Mode", "Plain"}},
        {Frame(512, {0x01, 0x07}), {"Mode"}},  // Far's byte is missing
    };
    for (const auto& c : cases) {
        Names got;
        for (const auto& [name, text] : DecodeAll(decoder, c.frame)) got.push_back(name);
        EXPECT_EQ(got, c.present) << "data " << +c.frame.Data[0] << " length " << +c.frame.DataLen;
    }
}

TEST(SignalDecoder, DecodeOneAgreesWithDecodeOnRandomFrames) {
    const CSignalDecoder decoder({Parse(kMuxDbc), Parse(kLayoutDbc)});
    std::mt19937 random(7);
    CDecodeScratch scratch(decoder.MaxSignals());
    for (int n = 0; n < 5000; ++n) {
        std::vector<std::uint8_t> data(random() % 9);
        for (auto& b : data) b = static_cast<std::uint8_t>(random());
        const std::uint32_t ids[] = {291, 292, 293, 512};
        const _VCI_CAN_OBJ f = Frame(ids[random() % 4], data);
        const CompiledMessage* m = decoder.Find(f);
        ASSERT_NE(m, nullptr);
        std::vector<int> seen(m->signalList.size(), 0);
        std::vector<DecodedSignal> all(m->signalList.size());
        decoder.Decode(*m, f, scratch, [&](int i, const DecodedSignal& d) {
            seen[i] = 1;
            all[i] = d;
        });
        for (int i = 0; i < static_cast<int>(m->signalList.size()); ++i) {
            DecodedSignal one;
            ASSERT_EQ(decoder.DecodeOne(*m, i, f, one), seen[i] != 0) << n << ' ' << i;
            if (seen[i] != 0) {
                EXPECT_EQ(one.raw, all[i].raw);
            }
        }
    }
}

TEST(SignalDecoder, MatchesIdentifiersThenParameterGroupsInDatabaseOrder) {
    const std::string j1939Format =
        "BA_DEF_ BO_ \"VFrameFormat\" ENUM \"StandardCAN\",\"ExtendedCAN\",\"reserved\","
        "\"J1939PG\";\n";
    auto first = Parse(
        "BO_ 2566844672 Pdu2: 8 N\nBO_ 2565472510 Pdu1: 8 N\n"
        "BO_ 2566848512 Plain: 8 N\nBO_ 256 Std: 8 N\n" +
        j1939Format +
        "BA_ \"VFrameFormat\" BO_ 2566844672 3;\n"
        "BA_ \"VFrameFormat\" BO_ 2565472510 3;\n");
    auto second = Parse(
        "BO_ 2566844842 Exact: 8 N\nBO_ 256 Later: 8 N\nBO_ 512 Only2: 8 N\n"
        "BO_ 2566866174 Group2: 8 N\n" +
        j1939Format + "BA_ \"VFrameFormat\" BO_ 2566866174 3;\n");
    const CSignalDecoder decoder({first, second});
    _VCI_CAN_OBJ remote = Frame(256, {1});
    remote.RemoteFlag = 1;
    _VCI_CAN_OBJ event = Frame(256, {1});
    event.Reserved[0] = 0xE1;
    const struct {
        _VCI_CAN_OBJ frame;
        const char* message;  // nullptr: no message
    } cases[] = {
        {Frame(0x0CFEF133, {}, true), "Pdu2"},   // other priority and source
        {Frame(0x18FEF1AA, {}, true), "Pdu2"},   // the first database wins over an exact one later
        {Frame(0x18EA1234, {}, true), "Pdu1"},   // destination 0x12 is not part of a PDU1 group
        {Frame(0x18EB00FE, {}, true), nullptr},  // another group
        {Frame(0x18FEF200, {}, true), nullptr},  // PDU2: the group extension counts
        {Frame(0x18FF0000, {}, true), "Plain"},
        {Frame(0x18FF0001, {}, true), nullptr},  // not a J1939 message: the identifier must match
        {Frame(0x18FF4401, {}, true), "Group2"},
        {Frame(256, {}), "Std"},
        {Frame(512, {}), "Only2"},
        {Frame(256, {}, true), nullptr},
        {remote, nullptr},
        {event, nullptr},
    };
    for (const auto& c : cases) {
        const CompiledMessage* m = decoder.Find(c.frame);
        EXPECT_EQ(m == nullptr ? "-" : m->message->name, c.message == nullptr ? "-" : c.message)
            << std::hex << c.frame.ID;
    }
    EXPECT_EQ(ParameterGroupNumber(0x18EA1234), 0xEA00u);
    EXPECT_EQ(ParameterGroupNumber(0x1BFEF100), 0x3FEF1u);
}

TEST(SignalText, WritesIdentifiersNumbersAndMultiplexing) {
    std::string s;
    AppendIdText(s, 0x7B, false);
    s += ' ';
    AppendIdText(s, 0x1ABCDEF, true);
    for (const double v : {0.1, -40.0, 1e20, 123456789012345680000.0, 5e-324, -0.0}) {
        s += ' ';
        AppendNumberText(s, v);
    }
    EXPECT_EQ(s, "0x07B 0x01ABCDEF 0.1 -40 1e+20 123456789012345683968 5e-324 -0");

    // Physical values carry the decimals of their factor and offset.
    const struct {
        double factor;
        double offset;
        ValueType type;
        double value;
        const char* text;
    } values[] = {
        {0.1, 0, ValueType::kInteger, 726 * 0.1, "72.6"},
        {0.1, 0, ValueType::kInteger, -0.04, "0"},
        {0.00390625, 0, ValueType::kInteger, 3 * 0.00390625, "0.01171875"},
        {0.00390625, 0, ValueType::kInteger, 256 * 0.00390625, "1"},
        {1, -40, ValueType::kInteger, -40, "-40"},
        {0.5, 0.25, ValueType::kInteger, 1.75, "1.75"},
        {1e-5, 0, ValueType::kInteger, 12345 * 1e-5, "0.12345"},
        {1e-20, 0, ValueType::kInteger, 3e-20, "3e-20"},
        {1e300, 0, ValueType::kInteger, 1e308, "1e+308"},
        {1, 0, ValueType::kFloat, static_cast<double>(0.1f), "0.1"},
        {0.1, 0, ValueType::kFloat, 2 * 0.1, "0.2"},
        {1, 0, ValueType::kDouble, 0.1 + 0.2, "0.30000000000000004"},
        {1, 0, ValueType::kFloat, -std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {1, 0, ValueType::kDouble, -std::numeric_limits<double>::infinity(), "-inf"},
        {0.1, 0, ValueType::kInteger, std::numeric_limits<double>::infinity(), "inf"},
    };
    for (const auto& v : values) {
        DbcSignal signal;
        signal.factor = v.factor;
        signal.offset = v.offset;
        signal.valueType = v.type;
        std::string text;
        AppendPhysicalText(text, {static_cast<std::int8_t>(ValueDecimals(signal)), v.type},
                           v.value);
        EXPECT_EQ(text, v.text) << v.factor << " " << v.value;
    }
    const auto db = Parse(kMuxDbc);
    const DbcMessage& m = db->messages[0];
    EXPECT_EQ(MultiplexingText(m, m.signalList[0]), "M");
    EXPECT_EQ(MultiplexingText(m, m.signalList[1]), "m2M Mode:2,5-6");
    EXPECT_EQ(MultiplexingText(m, m.signalList[3]), "m1");
    EXPECT_EQ(MultiplexingText(m, m.signalList[4]), "");
}

}  // namespace
