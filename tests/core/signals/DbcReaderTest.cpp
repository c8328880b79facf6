#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "core/signals/DbcReader.h"
#include "core/signals/DbcTextEncoding.h"
#include "tests/support/TempFolder.h"

namespace {

using namespace korvex::signaldb;

// A database with every section the reader knows, and some it skips.
constexpr char kFullDbc[] = R"(VERSION "2.1"

NS_ :
	NS_DESC_
	CM_
	BA_DEF_
	SG_MUL_VAL_

BS_: 500 : 1,2

BU_: Engine Gateway

VAL_TABLE_ Switch 1 "On" 0 "Off" ;

BO_ 100 EngineData: 8 Engine
 SG_ Speed : 0|16@1+ (0.125,0) [0|8031.875] "rpm" Gateway,Engine
 SG_ Temp : 23|8@0- (1,-40) [-40|215] "degC"  Gateway
 SG_ Ratio : 32|32@1- (1,0) [0|1] "" Gateway

BO_ 2566844926 Dm1: 8 Engine
 SG_ Lamp : 0|2@1+ (1,0) [0|3] "" Vector__XXX

BO_ 3221225472 VECTOR__INDEPENDENT_SIG_MSG: 0 Vector__XXX
 SG_ Orphan : 0|8@1+ (1,0) [0|0] "" Vector__XXX

BO_ 200 Muxed: 8 Gateway
 SG_ Mode M : 0|4@1+ (1,0) [0|15] "" Engine
 SG_ Page m2M : 4|4@1+ (1,0) [0|15] "" Engine
 SG_ Level m1 : 8|8@1+ (1,0) [0|255] "" Engine
 SG_ Deep m0 : 16|8@1+ (1,0) [0|255] "" Engine

BO_TX_BU_ 100 : Engine,Gateway;
EV_ Env: 0 [0|1] "" 0 1 DUMMY_NODE_VECTOR0 Vector__XXX;
CM_ "The database";
CM_ BU_ Engine "Motor control";
CM_ BO_ 100 "Engine values";
CM_ SG_ 100 Speed "Engine speed
over two lines with a \"quote\"";
CM_ SG_ 999 Ghost "comment on a message that is gone";
BA_DEF_ BO_ "VFrameFormat" ENUM "StandardCAN","ExtendedCAN","reserved","J1939PG";
BA_DEF_ BO_ "GenMsgCycleTime" INT 0 65535;
BA_DEF_ SG_ "GenSigStartValue" FLOAT -1e10 1e10;
BA_DEF_ "BusType" STRING ;
BA_DEF_REL_ BU_SG_REL_ "GenSigTimeoutTime" INT 0 65535;
BA_DEF_DEF_ "VFrameFormat" "StandardCAN";
BA_DEF_DEF_ "GenMsgCycleTime" 0;
BA_DEF_DEF_ "GenSigStartValue" 0;
BA_DEF_DEF_ "BusType" "CAN";
BA_ "GenMsgCycleTime" BO_ 100 20;
BA_ "VFrameFormat" BO_ 2566844926 3;
BA_ "GenSigStartValue" SG_ 100 Temp 40;
VAL_ 100 Temp -1 "Fault" 0 "Cold" 0 "Again" ;
VAL_ Env 0 "Off" ;
SIG_VALTYPE_ 100 Ratio : 1;
SG_MUL_VAL_ 200 Page Mode 2-2, 5-6;
SG_MUL_VAL_ 200 Deep Page 0-3;
)";

TEST(DbcReader, ReadsEverySection) {
    DbcDatabase db;
    DbcError error;
    ASSERT_TRUE(ParseDbcText(kFullDbc, db, error)) << error.line << ": " << error.reason;
    EXPECT_EQ(db.version, "2.1");
    ASSERT_EQ(db.nodes.size(), 2u);
    EXPECT_EQ(db.nodes[0].comment, "Motor control");
    EXPECT_EQ(db.comment, "The database");
    EXPECT_EQ(db.attributes.at("BusType"), "CAN");
    EXPECT_EQ(db.valueTables.at("Switch"), (ValueTable{{0, "Off"}, {1, "On"}}));
    ASSERT_EQ(db.messages.size(), 3u);  // the independent signals are dropped

    const DbcMessage& engine = db.messages[0];
    EXPECT_EQ(engine.id, 100u);
    EXPECT_FALSE(engine.extended);
    EXPECT_EQ(engine.transmitters, (std::vector<std::string>{"Engine", "Gateway"}));
    EXPECT_EQ(engine.comment, "Engine values");
    EXPECT_EQ(engine.cycleTime, 20);
    EXPECT_EQ(engine.frameFormat, "StandardCAN");
    EXPECT_FALSE(engine.j1939);
    const DbcSignal& speed = engine.signalList[0];
    EXPECT_EQ(speed.comment, "Engine speed\nover two lines with a \"quote\"");
    EXPECT_EQ(speed.receivers, (std::vector<std::string>{"Gateway", "Engine"}));
    EXPECT_EQ(speed.factor, 0.125);
    EXPECT_EQ(speed.maximum, 8031.875);
    EXPECT_EQ(speed.unit, "rpm");
    const DbcSignal& temp = engine.signalList[1];
    EXPECT_EQ(temp.byteOrder, ByteOrder::kMotorola);
    EXPECT_TRUE(temp.isSigned);
    EXPECT_EQ(temp.offset, -40);
    EXPECT_EQ(temp.startValue, 40);
    EXPECT_EQ(temp.values, (ValueTable{{-1, "Fault"}, {0, "Cold"}}));
    EXPECT_EQ(engine.signalList[2].valueType, ValueType::kFloat);
    EXPECT_EQ(engine.signalList[0].startValue, 0);  // the default

    const DbcMessage& dm1 = db.messages[1];
    EXPECT_TRUE(dm1.extended);
    EXPECT_EQ(dm1.id, 0x18FEF1FEu);
    EXPECT_TRUE(dm1.j1939);

    const DbcMessage& muxed = db.messages[2];
    const auto& s = muxed.signalList;
    EXPECT_TRUE(s[0].isMultiplexor && !s[0].isMultiplexed);
    EXPECT_TRUE(s[1].isMultiplexor && s[1].isMultiplexed && s[1].extendedMux);
    EXPECT_EQ(s[1].multiplexor, 0);
    EXPECT_EQ(s[1].muxRanges, (std::vector<MuxRange>{{2, 2}, {5, 6}}));
    EXPECT_EQ(s[2].multiplexor, 0);  // simple: the message's M
    EXPECT_EQ(s[2].muxRanges, (std::vector<MuxRange>{{1, 1}}));
    EXPECT_EQ(s[3].multiplexor, 1);
}

struct Damaged {
    const char* text;
    int line;
    const char* reason;
};

TEST(DbcReader, RefusesDamagedDatabasesWithTheirLine) {
    const std::string head = "VERSION \"\"\nBU_: A\n";  // lines 1-2
    const Damaged cases[] = {
        {"BO_ 1 M: 8 A\n SG_ S : 60|8@1+ (1,0) [0|0] \"\" A\n", 4, "does not fit the 8 bytes"},
        {"BO_ 1 M: 2 A\n SG_ S : 0|10@0+ (1,0) [0|0] \"\" A\n", 4, "does not fit the 2 bytes"},
        {"BO_ 1 M: 8 A\n SG_ S : 0|65@1+ (1,0) [0|0] \"\" A\n", 4, "1 to 64 bits"},
        {"BO_ 1 M: 8 A\n SG_ S : 0|0@1+ (1,0) [0|0] \"\" A\n", 4, "1 to 64 bits"},
        {"BO_ 1 M: 8 A\n SG_ S m1 : 0|8@1+ (1,0) [0|0] \"\" A\n", 4, "has no multiplexor"},
        {"BO_ 1 M: 8 A\n\nBO_ 1 N: 8 A\n", 5, "is also message 'M' (line 3)"},
        {"BO_ 2147483649 M: 8 A\nBO_ 2147483649 N: 8 A\n", 4, "0x80000001"},
        {"BO_ 2048 M: 8 A\n", 3, "above 0x7FF without the extended mark"},
        {"BO_ 1610612736 M: 8 A\n", 3, "neither an 11-bit"},
        {"BO_ 1 M: 8 A\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\nVAL_ 1 S 0 \"a\"\nBA_ \"X\" 1;\n", 5,
         "expected ';' to end VAL_"},
        {"BO_ 1 M: 8 A\n SG_ S : 0|8@1+ (1,0) [0|", 4, "expected maximum"},
        {"BO_ 1 M: 8 A\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\n SG_TYPE_X\n", 5,
         "unknown statement 'SG_TYPE_X'"},
        {"BO_ 1 M: 8 A\n SG_ S : 0|8@2+ (1,0) [0|0] \"\" A\n", 4, "byte order"},
        {"BO_ 1 M: 8 A\n SG_ S : 0|8@1+ (1,0 [0|0] \"\" A\n", 4, "expected ')'"},
        {"BO_ 1 M: 8 A\n SG_ S : 0|8@1+ (1e999,0) [0|0] \"\" A\n", 4, "out of range"},
        {"BO_ 1 M: 8 A\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\n SG_ S : 8|8@1+ (1,0) [0|0] \"\" A\n",
         5, "defined twice"},
        {" SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\n", 3, "outside a message"},
        {"BO_ 1 M: 8 A\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\nSIG_VALTYPE_ 1 S : 1;\n", 5,
         "a float has 32"},
        {"SIG_VALTYPE_ 7 S : 1;\n", 3, "no message has identifier 7"},
        {"BO_ 1 M: 8 A\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\nSG_MUL_VAL_ 1 S X 0-1;\n", 5,
         "no multiplexor 'X'"},
        {"BO_ 1 M: 8 A\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\n SG_ T : 8|8@1+ (1,0) [0|0] \"\" A\n"
         "SG_MUL_VAL_ 1 S T 0-1;\n",
         6, "is not a multiplexor"},
        {"BO_ 1 M: 8 A\n SG_ P m1M : 0|8@1+ (1,0) [0|0] \"\" A\n"
         " SG_ Q m1M : 8|8@1+ (1,0) [0|0] \"\" A\nSG_MUL_VAL_ 1 P Q 1-1;\nSG_MUL_VAL_ 1 Q P 1-1;\n",
         4, "select each other"},
        {"BO_ 1 M: 8 A\n SG_ P M : 0|8@1+ (1,0) [0|0] \"\" A\n SG_ Q M : 8|8@1+ (1,0) [0|0] \"\" "
         "A\n"
         " SG_ R m1 : 16|8@1+ (1,0) [0|0] \"\" A\n",
         6, "needs an SG_MUL_VAL_ line"},
        {"BO_ 1 M: 8 A\n SG_ P M : 0|32@1+ (1,0) [0|0] \"\" A\nSIG_VALTYPE_ 1 P : 1;\n", 4,
         "floating-point"},
        {"BO_ 1 M: 8 A\n SG_ P m1x : 0|8@1+ (1,0) [0|0] \"\" A\n", 4, "none of M, mN, mNM"},
        {"CM_ BO_ 1 \"never closed;\n\n", 3, "unterminated"},
        {"VAL_ 1 S 1 \"a\" 1.5 \"b\" ;\n", 3, "not a whole number"},
        {"BA_DEF_ BO_ \"X\" LIST 1;\n", 3, "none of INT"},
        {"FILTER 1 2\n", 3, "without its ';'"},
        {"BO_ 1 M: 8 A\ngarbage here\n", 4, "unknown statement 'garbage'"},
        {"VERSION \"\" extra\n", 3, "after VERSION"},
    };
    for (const Damaged& c : cases) {
        DbcDatabase db;
        DbcError error;
        EXPECT_FALSE(ParseDbcText(head + c.text, db, error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text << " → " << error.reason;
        EXPECT_NE(error.reason.find(c.reason), std::string::npos)
            << c.text << " → " << error.reason;
        EXPECT_TRUE(db.messages.empty());
    }
}

// A database as real ones come: node names and a receiver list over several
// lines, a stray word, a mistyped BO_, a signal past its message's end, a
// bare mark, a 29-bit identifier without its mark, the placeholder message
// without bit 31, statements without their ';', a comment without object.
constexpr char kDamagedDbc[] = R"(VERSION ""
BU_: Engine
  Gateway Body
BO_ 100 A: 8 Engine
 SG_ S1 : 0|8@1+ (1,0) [0|0] "" Gateway,
   Body
 SG_TYPE_X
 SG_ S2 : 8|8@1+ (0.1,0) [0|0] "" Body
B0_ 200 Typo: 8 Engine
 SG_ Lost : 0|8@1+ (1,0) [0|0] "" Body
BO_ 300 C: 2 Engine
 SG_ Past : 60|8@1+ (1,0) [0|0] "" Body
 SG_ Bare m : 0|8@1+ (1,0) [0|0] "" Body
 SG_ Fine : 0|8@1+ (1,0) [0|0] "" Body
BO_ 217056510 J1939: 8 Engine
 SG_ X : 0|8@1+ (1,0) [0|0] "" Body
BO_ 1073741824 VECTOR__INDEPENDENT_SIG_MSG: 0 Vector__XXX
 SG_ Orphan : 0|8@1+ (1,0) [0|0] "" Body
CM_ "database"
VAL_ 100 S1 0 "Off" 1 "On"
VAL_ 100 S2 0 "Zero" ;
CM_ 100 "no object";
CM_ SG_ 100 S2 "fine";
CM_ BO_ 217056510 "by its identifier as written";
)";

TEST(DbcReader, SkipsDamagedStatementsAloneAndNamesTheirLines) {
    for (const char* lineEnd : {"\n", "\r\n", "\r"}) {
        std::string text = kDamagedDbc;
        for (std::size_t at = text.find('\n'); at != std::string::npos;
             at = text.find('\n', at + std::strlen(lineEnd)))
            text.replace(at, 1, lineEnd);
        DbcDatabase db;
        DbcError error;
        std::vector<DbcError> warnings;
        ASSERT_TRUE(ParseDbcText(text, db, error, &warnings)) << error.reason;
        std::vector<int> lines;
        for (const DbcError& w : warnings) lines.push_back(w.line);
        EXPECT_EQ(lines, (std::vector<int>{7, 9, 10, 12, 13, 15, 19, 20, 22}));
        ASSERT_EQ(warnings.size(), 9u);
        EXPECT_EQ(warnings[0].reason, "unknown statement 'SG_TYPE_X'");
        EXPECT_EQ(warnings[2].reason, "signal 'Lost' of a message that was skipped");
        EXPECT_NE(warnings[5].reason.find("read as the 29-bit identifier 0xCF004FE"),
                  std::string::npos)
            << warnings[5].reason;
        EXPECT_NE(warnings[6].reason.find("expected ';' to end CM_"), std::string::npos);

        std::vector<std::string> nodes;
        for (const DbcNode& n : db.nodes) nodes.push_back(n.name);
        EXPECT_EQ(nodes, (std::vector<std::string>{"Engine", "Gateway", "Body"}));
        ASSERT_EQ(db.messages.size(), 3u);
        const DbcMessage& a = db.messages[0];
        ASSERT_EQ(a.signalList.size(), 2u);
        EXPECT_EQ(a.signalList[0].receivers, (std::vector<std::string>{"Gateway", "Body"}));
        EXPECT_TRUE(a.signalList[0].values.empty());
        EXPECT_EQ(a.signalList[1].values, (ValueTable{{0, "Zero"}}));
        EXPECT_EQ(a.signalList[1].comment, "fine");
        ASSERT_EQ(db.messages[1].signalList.size(), 1u);
        EXPECT_EQ(db.messages[1].signalList[0].name, "Fine");
        EXPECT_TRUE(db.messages[2].extended);
        EXPECT_EQ(db.messages[2].id, 0x0CF004FEu);
        EXPECT_EQ(db.messages[2].comment, "by its identifier as written");

        // Strict, the first of them refuses the file.
        EXPECT_FALSE(ParseDbcText(text, db, error));
        EXPECT_EQ(error.line, 7);
        EXPECT_EQ(error.reason, "unknown statement 'SG_TYPE_X'");
    }
}

TEST(DbcReader, RefusesADatabaseWithoutMessages) {
    for (const char* text : {"", "\xEF\xBB\xBF", "VERSION \"\"\n\nBU_: A\n",
                             "BO_ 3221225472 VECTOR__INDEPENDENT_SIG_MSG: 0 A\n"
                             " SG_ S : 0|8@1+ (1,0) [0|0] \"\" A\n"}) {
        DbcDatabase db;
        DbcError error;
        std::vector<DbcError> warnings;
        EXPECT_FALSE(ParseDbcText(text, db, error, &warnings));
        EXPECT_EQ(error.line, 0);
        EXPECT_EQ(error.reason, "holds no message");
        EXPECT_TRUE(warnings.empty());
    }
}

TEST(DbcReader, DecodesEachStringFromItsOwnEncoding) {
    // Units and value texts: cp1252 "°C", "Übertemperatur €"; GBK "空档";
    // UTF-8 beside cp1252 in one file; a cp1252 file whose only accents are
    // "»«", which also pair up as one GBK character.
    const struct {
        std::string unit;
        std::string text;
        std::string wantUnit;
        std::string wantText;
    } cases[] = {
        {"\xB0"
         "C",
         "\xDC"
         "bertemperatur \x80",
         "°C", "Übertemperatur €"},
        {"N", "\xBF\xD5\xB5\xB5 N", "N", "空档 N"},
        {"\xE7\xA9\xBA",
         "\xC3\xBC"
         "ber",
         "空", "über"},
        {"\xC3\xBC",
         "\xFC"
         "ber",
         "ü", "über"},
        {"\xBB\xAB", "x", "»«", "x"},
        {"\xC3\xA9t\xE9", "", "Ã©té", ""},
    };
    for (const auto& c : cases) {
        const std::string text =
            "\xEF\xBB\xBF"
            "BO_ 1 M: 8 A\n SG_ S : 0|8@1+ (1,0) [0|0] \"" +
            c.unit + "\" A\nVAL_ 1 S 0 \"" + c.text + "\" ;\n";
        DbcDatabase db;
        DbcError error;
        ASSERT_TRUE(ParseDbcText(text, db, error)) << error.reason;
        const DbcSignal& s = db.messages[0].signalList[0];
        EXPECT_EQ(s.unit, c.wantUnit);
        EXPECT_EQ(s.values[0].second, c.wantText);
    }
}

TEST(DbcReader, ReadsFilesAndNamesTheFileInItsRefusal) {
    korvex::test::TempFolder dir;
    const std::string good = dir.File("good.dbc");
    const std::string bad = dir.File("bad.dbc");
    std::ofstream(good, std::ios::binary) << "BO_ 1 M: 8 A\n SG_ T : 0|8@1+ (1,0) [0|0] "
                                             "\"\xC7\xA7\xC3\xD7\" A\n"
                                             "VAL_ 1 T 0 \"\xBF\xD5\xB5\xB5\" ;\n";
    std::ofstream(bad, std::ios::binary) << "BO_ 1 M: 8 A\n\n SG_ T : 0|8@1+ (1,0) [0|0] A\n";
    DbcDatabase db;
    std::string error;
    ASSERT_TRUE(ReadDbcFile(good, db, error)) << error;
    EXPECT_EQ(db.messages[0].signalList[0].unit, "千米");
    EXPECT_EQ(db.messages[0].signalList[0].values[0].second, "空档");
    EXPECT_FALSE(ReadDbcFile(bad, db, error));
    EXPECT_EQ(error, bad + ":3: expected the unit in quotes, found 'A'");
    EXPECT_FALSE(ReadDbcFile(dir.File("missing.dbc"), db, error));
    EXPECT_EQ(error.rfind(dir.File("missing.dbc") + ": cannot read", 0), 0u) << error;
}

}  // namespace
