#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/CliTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::test::CliRun;
using korvex::test::CliTest;
using korvex::test::ReadBytes;
using korvex::test::RunCli;
using korvex::test::TempFolder;

std::size_t CountOf(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size())
        ++n;
    return n;
}

TEST_F(CliTest, ConvertUsageErrorsNameTheOption) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"convert"}, "IN and OUT"},
        {{"convert", "a.log"}, "IN and OUT"},
        {{"convert", "a.log", "b.xyz"}, "give --to"},
        {{"convert", "a.log", "b.log", "c.log"}, "unexpected argument 'c.log'"},
        {{"convert", "a.log", "b.log", "--to", "pdf"}, "--to"},
        {{"convert", "a.log", "b.log", "--to", "stream"}, "--to"},
        {{"convert", "a.csv", "b.log", "--from", "txt"}, "--from"},
        {{"convert", "a.log", "b.trc", "--trc-version", "2.0"}, "--trc-version"},
        {{"convert", "a.log", "b.blf", "--to", "blf2"}, "--to"},
        {{"convert", "a.log", "b.log", "--bitrate", "333K"}, "--bitrate"},
        {{"convert", "a.log", "b.log", "--bitrate"}, "--bitrate"},
        {{"convert", "a.log", "b.log", "--iface", "can 0"}, "--iface"},
        {{"convert", "a.log", "b.log", "--iface", "abcdefghijklmnop"}, "--iface"},
        {{"convert", "a.asc", "b.log", "--channel", "0"}, "--channel"},
        {{"convert", "a.log", "b.csv", "--time", "local"}, "--time"},
        {{"convert", "a.log", "b.log", "--bogus"}, "'--bogus'"},
        {{"dump", "a.log", "--from", "txt"}, "--from"},
    };
    for (const auto& [args, named] : cases) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 2) << args.back();
        EXPECT_NE(run.err.find(named), std::string::npos) << run.err;
    }
    const CliRun help = RunCli({"convert", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--no-events"), std::string::npos);
    EXPECT_NE(RunCli({"--help"}).out.find("convert"), std::string::npos);
}

std::vector<std::string> SplitRows(const std::string& text) {
    std::vector<std::string> rows;
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        rows.push_back(text.substr(at, end - at));
    return rows;
}

// The rows of a frame list's text export match but for the events, whose own
// data bytes (and, in ASC, their kind) the logs of other tools cannot carry;
// an event row keeps its number and time.
std::string Field(const std::string& row, int n) {
    std::size_t at = 0;
    for (int i = 0; i < n && at != std::string::npos; ++i) at = row.find('\t', at) + 1;
    return row.substr(at, row.find('\t', at) - at);
}

// An empty `eventRemark` means the events keep their own remark.
void ExpectSameRows(const std::string& expected, const std::string& actual,
                    const std::string& eventRemark) {
    const std::vector<std::string> a = SplitRows(expected);
    const std::vector<std::string> b = SplitRows(actual);
    ASSERT_EQ(a.size(), b.size());
    std::size_t events = 0;
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a[0], b[0]);
    for (std::size_t i = 1; i < a.size(); ++i) {
        const bool event = a[i].size() < 2 || a[i].compare(a[i].size() - 2, 2, "\t\t") != 0;
        if (!event) {
            ASSERT_TRUE(a[i] == b[i]) << "row " << i << ":\n" << a[i] << "\n" << b[i];
            continue;
        }
        ++events;
        const std::size_t time = a[i].find('\t', a[i].find('\t') + 1);
        EXPECT_EQ(a[i].substr(0, time), b[i].substr(0, time)) << "row " << i;
        EXPECT_EQ(Field(b[i], 8), eventRemark.empty() ? Field(a[i], 8) : eventRemark) << i;
    }
    EXPECT_GT(events, 0u);
}

TEST_F(CliTest, AnUploadSurvivesCandumpAndAscAsTheFrameListShowsIt) {
    ASSERT_EQ(PipeUsbSim_Configure("demo"), 1u);
    TempFolder dir;
    ASSERT_EQ(RunCli({"upload", "-o", dir.File("rec.can")}).status, 0);
    const CliRun direct = RunCli({"dump", dir.File("rec.can"), "--time", "clock"});
    ASSERT_EQ(direct.status, 0) << direct.err;

    // ASC has one kind of error frame, read back as a bus error.
    for (const auto& [log, remark] :
         {std::pair<const char*, std::string>{"rec.log", ""}, {"rec.asc", "CAN控制器总线错误\n"}}) {
        SCOPED_TRACE(log);
        const CliRun convert = RunCli({"convert", dir.File("rec.can"), dir.File(log), "--utc"});
        ASSERT_EQ(convert.status, 0) << convert.err;
        EXPECT_NE(convert.out.find("总帧数"), std::string::npos);
        const CliRun back = RunCli({"dump", dir.File(log), "--utc", "--time", "clock"});
        ASSERT_EQ(back.status, 0) << back.err;
        EXPECT_TRUE(back.err.empty()) << back.err;
        ExpectSameRows(direct.out, back.out, remark);
    }

    ASSERT_EQ(RunCli({"convert", dir.File("rec.log"), dir.File("back.can"), "--utc"}).status, 0);
    ASSERT_EQ(RunCli({"convert", dir.File("back.can"), dir.File("again.log"), "--utc"}).status, 0);
    EXPECT_TRUE(ReadBytes(dir / "again.log") == ReadBytes(dir / "rec.log"));
}

TEST_F(CliTest, ConvertWritesTheOptionsIntoTheLogs) {
    ASSERT_EQ(PipeUsbSim_Configure("demo"), 1u);
    TempFolder dir;
    ASSERT_EQ(RunCli({"upload", "-o", dir.File("rec.can")}).status, 0);
    ASSERT_EQ(
        RunCli({"convert", dir.File("rec.can"), dir.File("x.log"), "--iface", "vcan7"}).status, 0);
    const std::string log = ReadBytes(dir / "x.log");
    ASSERT_EQ(RunCli({"convert", dir.File("rec.can"), dir.File("y.txt"), "--no-events", "--to",
                      "candump"})
                  .status,
              0);
    const std::string quiet = ReadBytes(dir / "y.txt");
    EXPECT_EQ(CountOf(log, " can0 "), 0u);
    EXPECT_GT(CountOf(log, ") vcan7 2000"), 0u);  // error frames of the events
    EXPECT_EQ(CountOf(quiet, " can0 2000"), 0u);
    EXPECT_EQ(CountOf(log, "\n") - CountOf(log, ") vcan7 2000"), CountOf(quiet, "\n"));

    ASSERT_EQ(RunCli({"convert", dir.File("rec.can"), dir.File("x.csv")}).status, 0);
    const std::string csv = ReadBytes(dir / "x.csv");
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "序号,时间标识,别名,帧ID,格式,类型,DLC,数据,备注");
    ASSERT_EQ(RunCli({"convert", dir.File("rec.can"), dir.File("x.txt")}).status, 0);
    EXPECT_EQ(CountOf(csv, "\r\n"), CountOf(ReadBytes(dir / "x.txt"), "\r\n"));
}

TEST_F(CliTest, DumpReadsLogsAndReportsTheirBadLines) {
    TempFolder dir;
    korvex::test::WriteBytes(dir / "a.log",
                             "(1.000000) can0 123#0102\nnot a frame\n(1.500000) can0 124#R\n");
    const CliRun lax = RunCli({"dump", dir.File("a.log"), "--time", "relative"});
    EXPECT_EQ(lax.status, 0);
    EXPECT_EQ(korvex::test::Lines(lax.out), 3u);
    EXPECT_NE(lax.err.find(dir.File("a.log") + ":2: "), std::string::npos) << lax.err;
    EXPECT_NE(lax.out.find("00:00:01.000.0"), std::string::npos);

    const CliRun strict = RunCli({"dump", dir.File("a.log"), "--strict"});
    EXPECT_EQ(strict.status, 1);
    EXPECT_NE(strict.err.find("stopped at line 2"), std::string::npos) << strict.err;
    EXPECT_TRUE(strict.out.empty());

    // Bytes of no format read here: one message that names the file and the
    // formats, whatever the name says.
    korvex::test::WriteBytes(dir / "junk.asc", std::string("\x00\x01\x02\n\xFF\xFE\n", 7));
    const CliRun junk = RunCli({"dump", dir.File("junk.asc")});
    EXPECT_EQ(junk.status, 1);
    EXPECT_EQ(junk.err, "korvex-cli: " + dir.File("junk.asc") +
                            " is not a recording in a format read here (candump, asc, csv, blf, "
                            "trc, pcap, pcapng, can or stream)\n");
    // The name no longer decides what a file is read as.
    korvex::test::WriteBytes(dir / "named.trc", "(1.000000) can0 123#0102\n");
    EXPECT_EQ(korvex::test::Lines(RunCli({"dump", dir.File("named.trc")}).out), 2u);

    // A .can file whose size fits only the stream layout is read as one.
    std::string stream("Quorvel CAN Data\0\0\0\0", 20);
    _VCI_CAN_OBJ f{};
    f.ID = 0x55;
    f.Reserved[1] = 0xFF;
    for (int i = 0; i < 3; ++i) stream.append(reinterpret_cast<const char*>(&f), sizeof f);
    korvex::test::WriteBytes(dir / "s.can", stream);
    const CliRun guessed = RunCli({"dump", dir.File("s.can")});
    EXPECT_EQ(guessed.status, 0);
    EXPECT_EQ(guessed.out, RunCli({"dump", dir.File("s.can"), "--stream"}).out);
    EXPECT_EQ(korvex::test::Lines(guessed.out), 4u);
    EXPECT_EQ(RunCli({"dump", dir.File("s.can"), "--snapshot"}).status, 1);
}

}  // namespace

namespace {

// The demo recording through BLF and TRC of both versions and back: every
// frame as the frame list shows it, events as the event records each format
// keeps; and what the analyses read from a BLF file is what they read from
// the .can file.
TEST_F(CliTest, AnUploadSurvivesBlfAndTrcAndTheAnalysesReadThem) {
    ASSERT_EQ(PipeUsbSim_Configure("demo"), 1u);
    TempFolder dir;
    ASSERT_EQ(RunCli({"upload", "-o", dir.File("rec.can")}).status, 0);
    const CliRun direct = RunCli({"dump", dir.File("rec.can"), "--time", "clock"});
    ASSERT_EQ(direct.status, 0) << direct.err;
    for (const auto& [file, version] : {std::pair<const char*, const char*>{"rec.blf", "2.1"},
                                        {"rec.trc", "2.1"},
                                        {"rec11.trc", "1.1"}}) {
        SCOPED_TRACE(file);
        const CliRun convert =
            RunCli({"convert", dir.File("rec.can"), dir.File(file), "--trc-version", version});
        ASSERT_EQ(convert.status, 0) << convert.err;
        const CliRun back = RunCli({"dump", dir.File(file), "--time", "clock"});
        ASSERT_EQ(back.status, 0) << back.err;
        EXPECT_TRUE(back.err.empty()) << back.err;
        // BLF keeps every event code; TRC the controller states, and an
        // error frame for the others, which reads back as a bus error.
        std::string expected = direct.out;
        if (std::string(file) != "rec.blf") {
            const std::string lost = "CAN控制器仲裁丢失\n";
            for (std::size_t at; (at = expected.find(lost)) != std::string::npos;)
                expected.replace(at, lost.size(), "CAN控制器总线错误\n");
        }
        ExpectSameRows(expected, back.out, "");
    }
    EXPECT_EQ(ReadBytes(dir / "rec11.trc").substr(0, 17), ";$FILEVERSION=1.1");

    // The analyses read the BLF file as they read the same frames from a
    // candump log: spans rebuilt from the frames' times, events without
    // their data bytes.
    ASSERT_EQ(RunCli({"convert", dir.File("rec.can"), dir.File("rec.log")}).status, 0);
    const std::vector<std::string> analyses[] = {
        {"search", "--column", "3", "--equal", "0x123"},
        {"classify", "--columns", "3"},
        {"busload", "--span", "0"},
    };
    for (const std::vector<std::string>& analysis : analyses) {
        SCOPED_TRACE(analysis[0]);
        std::vector<std::string> onLog = analysis;
        onLog.insert(onLog.begin() + 1, dir.File("rec.log"));
        std::vector<std::string> onBlf = analysis;
        onBlf.insert(onBlf.begin() + 1, dir.File("rec.blf"));
        const CliRun a = RunCli(onLog);
        const CliRun b = RunCli(onBlf);
        ASSERT_EQ(a.status, 0) << a.err;
        EXPECT_EQ(b.status, 0) << b.err;
        EXPECT_GT(korvex::test::Lines(a.out) + CountOf(a.out, "\n"), 5u);
        EXPECT_TRUE(a.out == b.out);
    }
}

// Damage costs the damaged part only: a byte flipped in the middle of a BLF
// loses one container's frames, a cut loses the frames of the cut part; both
// are said, and a strict read stops at them.
TEST_F(CliTest, ADamagedBlfKeepsItsFramesBesideTheDamageAndSaysWhere) {
    ASSERT_EQ(PipeUsbSim_Configure("demo"), 1u);
    TempFolder dir;
    ASSERT_EQ(RunCli({"upload", "-o", dir.File("rec.can")}).status, 0);
    ASSERT_EQ(RunCli({"convert", dir.File("rec.can"), dir.File("rec.blf")}).status, 0);
    ASSERT_EQ(RunCli({"convert", dir.File("rec.blf"), dir.File("rec.log")}).status, 0);
    const std::size_t all = CountOf(ReadBytes(dir / "rec.log"), "\n");
    const std::string whole = ReadBytes(dir / "rec.blf");
    korvex::test::WriteBytes(dir / "cut.blf", whole.substr(0, whole.size() / 2));
    std::string flipped = whole;
    flipped[whole.size() / 2] = static_cast<char>(flipped[whole.size() / 2] ^ 0x10);
    korvex::test::WriteBytes(dir / "flipped.blf", flipped);
    for (const char* name : {"cut", "flipped"}) {
        SCOPED_TRACE(name);
        const std::string blf = dir.File(std::string(name) + ".blf");
        const CliRun run = RunCli({"convert", blf, dir.File("out.log")});
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.err.find(blf + ": 1 damaged parts skipped, at offsets "), std::string::npos)
            << run.err;
        const std::string out = ReadBytes(dir / "out.log");
        const std::size_t kept = CountOf(out, "\n");
        EXPECT_LT(kept, all);
        if (name[0] == 'c') {
            // The frames up to the cut, those of the cut container among them.
            EXPECT_EQ(ReadBytes(dir / "rec.log").substr(0, out.size()), out);
            EXPECT_GT(kept, all / 3);
        } else {
            // One container of 128 KiB holds fewer than 3000 frames.
            EXPECT_GT(kept, all - 3000);
        }

        const CliRun strict = RunCli({"convert", blf, dir.File("s.log"), "--strict"});
        EXPECT_EQ(strict.status, 1);
        EXPECT_NE(strict.err.find(blf + " is damaged at offset "), std::string::npos);
        EXPECT_EQ(CountOf(strict.err, "\n"), 1u) << strict.err;
    }
}

// A log without frames is refused, whatever its format.
TEST_F(CliTest, AnEmptyLogHoldsNoFrames) {
    TempFolder dir;
    for (const char* name : {"e.trc", "e.log", "e.asc", "e.csv"}) {
        korvex::test::WriteBytes(dir / name, "");
        const CliRun run = RunCli({"dump", dir.File(name)});
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_EQ(run.err, "korvex-cli: " + dir.File(name) + " holds no frames\n");
    }
}

TEST_F(CliTest, LongCanFdFramesAreCountedNotTruncated) {
    TempFolder dir;
    std::string bytes64;
    for (int i = 0; i < 64; ++i) bytes64 += i ? " 11" : "11";
    korvex::test::WriteBytes(
        dir / "fd.trc",
        ";$FILEVERSION=2.1\r\n;$COLUMNS=N,O,T,B,I,d,R,L,D\r\n"
        "      1         0.100 FD 1      0200 Rx -  8    01 02 03 04 05 06 07 08\r\n"
        "      2         0.200 FD 1      0201 Rx -  15   " +
            bytes64 + "\r\n      3         0.300 FB 1      0202 Rx -  9    " +
            bytes64.substr(0, 35) + "\r\n");
    const CliRun run = RunCli({"dump", dir.File("fd.trc")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(korvex::test::Lines(run.out), 2u);
    EXPECT_EQ(run.err, "korvex-cli: " + dir.File("fd.trc") +
                           ": 2 CAN FD frames longer than 8 bytes skipped\n"
                           "korvex-cli: " +
                           dir.File("fd.trc") +
                           ": 1 CAN FD frames of up to 8 bytes read as classic frames\n");
}

}  // namespace

TEST_F(CliTest, TheAnalysesTakeTheChannelAndBitRateOfALog) {
    TempFolder dir;
    std::string log;
    for (int i = 0; i < 40; ++i) {
        char line[80];
        std::snprintf(line, sizeof line, "(%d.%06d) %s#0102030405060708\n", 1700000000 + i / 10,
                      (i % 10) * 100000, i % 4 == 0 ? "can1 456" : "can0 123");
        log += line;
    }
    korvex::test::WriteBytes(dir / "two.log", log);
    ASSERT_EQ(RunCli({"convert", dir.File("two.log"), dir.File("two.blf")}).status, 0);

    const CliRun merged = RunCli({"busload", dir.File("two.blf")});
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_NE(merged.err.find("holds 2 channels, merged"), std::string::npos) << merged.err;
    EXPECT_NE(merged.out.find("average load: -"), std::string::npos) << merged.out;
    const CliRun load =
        RunCli({"busload", dir.File("two.blf"), "--channel", "2", "--bitrate", "125K"});
    EXPECT_EQ(load.status, 0) << load.err;
    EXPECT_TRUE(load.err.empty()) << load.err;
    EXPECT_NE(load.out.find("(count:10)"), std::string::npos) << load.out;
    EXPECT_EQ(load.out.find("average load: -"), std::string::npos) << load.out;

    const CliRun search = RunCli(
        {"search", dir.File("two.blf"), "--column", "3", "--channel", "1", "--equal", "0x456"});
    EXPECT_EQ(search.status, 0) << search.err;
    EXPECT_EQ(CountOf(search.out, "\n"), 1u) << search.out;  // the header alone
    const CliRun classify =
        RunCli({"classify", dir.File("two.blf"), "--columns", "3", "--channel", "2"});
    EXPECT_EQ(classify.status, 0) << classify.err;
    EXPECT_NE(classify.out.find("0(10)"), std::string::npos) << classify.out;

    for (const char* command : {"busload", "search", "classify", "convert"}) {
        std::vector<std::string> args = {command, dir.File("two.blf"), "--channel", "9"};
        if (std::string(command) == "search")
            args.insert(args.end(), {"--column", "3", "--equal", "1"});
        if (std::string(command) == "classify") args.insert(args.end(), {"--columns", "3"});
        if (std::string(command) == "convert") args.push_back(dir.File("out.trc"));
        const CliRun refused = RunCli(args);
        EXPECT_EQ(refused.status, 1) << command << refused.err;
    }
    const CliRun refused =
        RunCli({"convert", dir.File("two.blf"), dir.File("o.log"), "--channel", "9"});
    EXPECT_EQ(refused.err, "korvex-cli: " + dir.File("two.blf") +
                               " has no channel 9; its channels: 1 (30 frames), 2 (10 frames)\n");
}
