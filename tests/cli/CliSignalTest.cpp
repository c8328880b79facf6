#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/CliTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::test::CliRun;
using korvex::test::ReadBytes;
using korvex::test::RunCli;
using korvex::test::TempFolder;
using korvex::test::WriteBytes;

constexpr char kDbc[] = R"(VERSION ""
BU_: Ecu
BO_ 291 Engine: 8 Ecu
 SG_ Gear : 0|4@1+ (1,0) [0|15] "" Ecu
 SG_ Temp : 15|8@0- (0.5,-40) [-104|23.5] "deg,C" Ecu
BO_ 2147484160 Muxed: 4 Ecu
 SG_ Mode M : 0|8@1+ (1,0) [0|255] "" Ecu
 SG_ Page m1M : 8|8@1+ (1,0) [0|255] "" Ecu
 SG_ Level m3 : 16|16@1- (1,0) [0|0] "" Ecu
 SG_ Ratio : 0|32@1+ (1,0) [0|0] "" Ecu
VAL_ 291 Gear 0 "Neutral" 1 "First, \"low\"" ;
SIG_VALTYPE_ 2147484160 Ratio : 1;
SG_MUL_VAL_ 2147484160 Level Page 3-4;
)";

// The lines of a CSV text without their second field (the time).
std::vector<std::string> WithoutTime(const std::string& csv) {
    std::vector<std::string> out;
    std::istringstream lines(csv);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t first = line.find(',');
        out.push_back(line.substr(0, first) + line.substr(line.find(',', first + 1)));
    }
    return out;
}

constexpr char kLog[] =
    "(1700000000.000100) can0 123#01B4\n"
    "(1700000000.000200) can0 456#0102\n"
    "(1700000000.000300) can0 123#R\n"
    "(1700000000.000400) can0 20000004#0000000000000000\n"
    "(1700000000.000500) can0 200#0103FEFF\n"
    "(1700000000.000600) can0 200#0203FEFF\n"
    "(1700000000.000700) can0 123#00\n";

TEST(CliSignals, ListsADatabaseAndRefusesADamagedOne) {
    TempFolder dir;
    WriteBytes(dir / "db.dbc", kDbc);
    const CliRun run = RunCli({"dbc", dir.File("db.dbc")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "0x123\tEngine\t8\tEcu\n"
              "\tGear\t0\t4\tintel\tunsigned\t1\t0\t0\t15\t\t\n"
              "\tTemp\t15\t8\tmotorola\tsigned\t0.5\t-40\t-104\t23.5\tdeg,C\t\n"
              "0x00000200\tMuxed\t4\tEcu\n"
              "\tMode\t0\t8\tintel\tunsigned\t1\t0\t0\t255\t\tM\n"
              "\tPage\t8\t8\tintel\tunsigned\t1\t0\t0\t255\t\tm1M\n"
              "\tLevel\t16\t16\tintel\tsigned\t1\t0\t0\t0\t\tm3 Page:3-4\n"
              "\tRatio\t0\t32\tintel\tfloat\t1\t0\t0\t0\t\t\n");

    WriteBytes(dir / "bad.dbc", "BO_ 1 M: 2 Ecu\n SG_ S : 0|24@1+ (1,0) [0|0] \"\" Ecu\n");
    const std::string skipped =
        dir.File("bad.dbc") +
        ":2: signal 'S' (start bit 0, 24 bits) does not fit the 2 bytes of message 'M'\n";
    const CliRun lenient = RunCli({"dbc", dir.File("bad.dbc")});
    EXPECT_EQ(lenient.status, 0);
    EXPECT_EQ(lenient.out, "0x001\tM\t2\tEcu\n");
    EXPECT_EQ(lenient.err, "warning: " + skipped);
    const CliRun bad = RunCli({"dbc", "--strict", dir.File("bad.dbc")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, skipped);
    WriteBytes(dir / "empty.dbc", "VERSION \"\"\n");
    const CliRun empty = RunCli({"dbc", dir.File("empty.dbc")});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, dir.File("empty.dbc") + ": holds no message\n");
    EXPECT_EQ(RunCli({"dbc"}).status, 2);
    EXPECT_EQ(RunCli({"dbc", dir.File("missing.dbc")}).status, 1);
}

TEST(CliSignals, DecodesEveryFrameAsCsv) {
    TempFolder dir;
    WriteBytes(dir / "db.dbc", kDbc);
    WriteBytes(dir / "rec.log", kLog);
    const CliRun run =
        RunCli({"decode", dir.File("rec.log"), "--dbc", dir.File("db.dbc"), "--time", "relative"});
    EXPECT_EQ(run.status, 0) << run.err;
    // Frame 1 (0x456) is unknown, 2 remote, 3 an error event; 0x200 is
    // standard, not the extended 0x200; frame 6 has only Gear's byte.
    EXPECT_EQ(run.out,
              "index,time,id,message,signal,raw,value,unit,text\n"
              "0,00:00:00.000.1,0x123,Engine,Gear,1,1,,\"First, \"\"low\"\"\"\n"
              "0,00:00:00.000.1,0x123,Engine,Temp,-76,-78,\"deg,C\",\n"
              "6,00:00:00.000.7,0x123,Engine,Gear,0,0,,Neutral\n");

    // The extended message, selected signals only, into a file.
    WriteBytes(dir / "ext.log",
               "(0.5) can0 123#01\n(1.0) can0 00000200#0103FEFF\n(1.1) can0 00000200#0103FE\n"
               "(1.2) can0 00000200#0003000000\n");
    const CliRun file =
        RunCli({"decode", dir.File("ext.log"), "--dbc", dir.File("db.dbc"), "--signals",
                "Muxed.Level,Muxed.Mode", "-o", dir.File("out.csv"), "--time", "relative"});
    EXPECT_EQ(file.status, 0) << file.err;
    EXPECT_EQ(file.out, "");
    EXPECT_EQ(WithoutTime(ReadBytes(dir / "out.csv")),
              (std::vector<std::string>{
                  "index,id,message,signal,raw,value,unit,text",
                  "1,0x00000200,Muxed,Mode,1,1,,",
                  "1,0x00000200,Muxed,Level,-2,-2,,",
                  "2,0x00000200,Muxed,Mode,1,1,,",  // Level needs byte 3
                  "3,0x00000200,Muxed,Mode,0,0,,",
              }));
}

TEST(CliSignals, TheFirstDatabaseWinsAndRefusalsExitAsTheyShould) {
    TempFolder dir;
    WriteBytes(dir / "db.dbc", kDbc);
    WriteBytes(dir / "other.dbc",
               "BO_ 291 Other: 8 Ecu\n SG_ All : 0|8@1+ (1,0) [0|0] \"\" Ecu\n"
               "BO_ 1110 Extra: 2 Ecu\n SG_ X : 0|16@1+ (2,0) [0|0] \"\" Ecu\n");
    WriteBytes(dir / "rec.log", kLog);
    const CliRun both =
        RunCli({"decode", dir.File("rec.log"), "--dbc", dir.File("db.dbc"), "--dbc",
                dir.File("other.dbc"), "--signals", "Engine.Gear,Extra.X,Other.All"});
    EXPECT_EQ(both.status, 0) << both.err;
    EXPECT_EQ(WithoutTime(both.out), (std::vector<std::string>{
                                         "index,id,message,signal,raw,value,unit,text",
                                         "0,0x123,Engine,Gear,1,1,,\"First, \"\"low\"\"\"",
                                         "1,0x456,Extra,X,513,1026,,",
                                         "6,0x123,Engine,Gear,0,0,,Neutral",
                                     }));

    WriteBytes(dir / "bad.dbc", "BO_ 1 M: 8 Ecu\nBO_ 1 N: 8 Ecu\n");
    const struct {
        std::vector<std::string> args;
        int status;
        const char* err;
    } refusals[] = {
        {{"decode", dir.File("rec.log"), "--dbc", dir.File("bad.dbc"), "--strict"},
         1,
         ":2: identifier 0x1"},
        {{"transport", dir.File("rec.log"), "--dbc", dir.File("bad.dbc"), "--strict"},
         1,
         ":2: identifier 0x1"},
        {{"decode", dir.File("rec.log")}, 2, "no signal database given"},
        {{"decode", "--dbc", dir.File("db.dbc")}, 2, "no recording given"},
        {{"decode", dir.File("rec.log"), "--dbc", dir.File("db.dbc"), "--signals", "Gear"},
         2,
         "MESSAGE.SIGNAL"},
        {{"decode", dir.File("rec.log"), "--dbc", dir.File("db.dbc"), "--signals", "Engine.Rpm"},
         2,
         "no database has the signal 'Engine.Rpm'"},
        {{"decode", dir.File("missing.log"), "--dbc", dir.File("db.dbc")}, 1, "missing.log"},
        {{"decode", dir.File("rec.log"), "--dbc", dir.File("db.dbc"), "-o",
          dir.File("no/such/dir.csv")},
         1,
         "cannot write"},
    };
    const CliRun lenient = RunCli({"decode", dir.File("rec.log"), "--dbc", dir.File("bad.dbc")});
    EXPECT_EQ(lenient.status, 0);
    EXPECT_EQ(lenient.err.rfind("warning: " + dir.File("bad.dbc") + ":2: identifier 0x1", 0), 0u)
        << lenient.err;
    for (const auto& r : refusals) {
        const CliRun run = RunCli(r.args);
        EXPECT_EQ(run.status, r.status) << r.err << ": " << run.err;
        EXPECT_NE(run.err.find(r.err), std::string::npos) << run.err;
        if (r.status == 1) {
            EXPECT_EQ(run.out, "");
        }
    }
}

TEST(CliSignals, SearchesBySignalValue) {
    TempFolder dir;
    WriteBytes(dir / "db.dbc", kDbc);
    WriteBytes(dir / "rec.log", kLog);
    const auto search = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"search", dir.File("rec.log")});
        return RunCli(args, dir.path);
    };
    const auto firstFields = [](const std::string& out) {
        std::vector<std::string> indices;
        std::istringstream lines(out);
        std::string line;
        std::getline(lines, line);  // the captions
        while (std::getline(lines, line)) indices.push_back(line.substr(0, line.find('\t')));
        return indices;
    };
    const std::string db = dir.File("db.dbc");
    CliRun run = search({"--signal", "Engine.Gear", "--dbc", db, "--equal", "neutral"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(firstFields(run.out), std::vector<std::string>{"6"});
    run = search({"--signal", "Engine.Temp", "--dbc", db, "--less", "-77.5"});
    EXPECT_EQ(firstFields(run.out), std::vector<std::string>{"0"});

    struct Case {
        std::vector<std::string> args;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {{"--signal", "Engine.Rpm", "--dbc", db, "--equal", "1"}, 2, "'Engine.Rpm'"},
        {{"--signal", "Engine.Gear", "--column", "3", "--dbc", db, "--equal", "1"},
         2,
         "--column and --signal"},
        {{"--signal", "Engine.Gear", "--equal", "1"}, 2, "--dbc"},
        {{"--column", "3", "--dbc", db, "--equal", "1"}, 2, "--dbc needs --signal"},
        {{"--signal", "Gear", "--dbc", db, "--equal", "1"}, 2, "MESSAGE.SIGNAL"},
        {{"--signal", "Engine.Gear", "--dbc", dir.File("none.dbc"), "--equal", "1"}, 1, "none.dbc"},
    };
    for (const Case& c : cases) {
        run = search(c.args);
        EXPECT_EQ(run.status, c.status) << c.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
}

}  // namespace
