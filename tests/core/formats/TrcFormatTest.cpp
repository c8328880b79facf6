// PCAN trace files: the same frames in each version's layout, the message
// types of version 2, the writer's exact lines, and the lines it refuses.
#include <gtest/gtest.h>

#include <string>

#include "core/formats/FrameClock.h"
#include "core/formats/OleDate.h"
#include "core/formats/TrcFormat.h"
#include "tests/core/formats/FormatTestSupport.h"
#include "tests/support/EdgeFrameCorpus.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::formats::CRecording;
using korvex::formats::ReadStatus;
using korvex::formats::Ticks;

// 2024-05-17 09:30:00 UTC
constexpr Ticks kStart = 17159382000000;

korvex::formats::ReadOptions Utc(int channel = 0) {
    korvex::formats::ReadOptions options;
    options.utc = true;
    options.channel = channel;
    return options;
}

// A frame as the tests compare it: what it is, and its time from kStart.
std::string Describe(const _VCI_CAN_OBJ& f, const CRecording& r) {
    const korvex::formats::CFrameClock clock(r.origTimeList, true);
    char text[160];
    std::snprintf(text, sizeof text, "%X e%d r%d l%d tx%d ev%d %02X%02X t%lld", f.ID, f.ExternFlag,
                  f.RemoteFlag, f.DataLen, f.SendType == 0xFF, f.Reserved[0], f.Data[0], f.Data[7],
                  static_cast<long long>(clock.AbsoluteTime(f) - kStart));
    return text;
}

std::vector<std::string> ReadTrcText(const std::string& text, korvex::formats::ReadResult* result,
                                     std::vector<std::pair<long long, std::string>>* bad = nullptr,
                                     korvex::formats::ReadOptions options = Utc()) {
    CRecording r;
    const auto read = korvex::test::ParseText(&korvex::formats::ReadTrc, text, r, bad, options);
    if (result) *result = read;
    std::vector<std::string> out;
    for (const _VCI_CAN_OBJ& f : r.frames) out.push_back(Describe(f, r));
    return out;
}

// The same five records (a standard and an extended frame, a remote frame,
// an error frame, a bus-heavy state) in each version's layout.
struct TrcVersion {
    const char* name;
    bool direction;  // 1.0 has no Rx/Tx column
    std::string text;
};

const std::vector<TrcVersion>& TrcVersions() {
    const std::string start = ";$STARTTIME=45429.3958333333\r\n";
    static const std::vector<TrcVersion> versions = {
        {"1.0", false,
         ";##########################################################################\r\n"
         ";   Start time: 17.05.2024 09:30:00.000\r\n"
         ";----+- ---+--- ----+--- + -+ -- -- ...\r\n"
         "     1)      1500  0123  2  11 22\r\n"
         "     2)      2000  1ABCDEF0  8  01 02 03 04 05 06 07 08\r\n"
         "     3)      3000  07FF  4  RTR\r\n"
         "     4)      4000  0008  4  ERROR 00 19 08 08\r\n"
         "     5)      5000  FFFFFFFF  4  00 00 00 08 ------BUSHEAVY\r\n"},
        {"1.1", true,
         ";$FILEVERSION=1.1\r\n" + start +
             "     1)      1500.0  Rx         0123  2  11 22\r\n"
             "     2)      2000.0  Tx     1ABCDEF0  8  01 02 03 04 05 06 07 08 \r\n"
             "     3)      3000.0  Rx         07FF  4  RTR\r\n"
             "     4)      4000.0  Error      0008  4  00 19 08 08\r\n"
             "     5)      5000.0  Warng  FFFFFFFF  4  00 00 00 08  BUSHEAVY\r\n"},
        {"1.2", true,
         ";$FILEVERSION=1.2\r\n" + start +
             "     1)      1500.000 1  Rx        0123  2  11 22\r\n"
             "     2)      2000.000 1  Tx    1ABCDEF0  8  01 02 03 04 05 06 07 08\r\n"
             "     3)      3000.000 1  Rx        07FF  4  RTR\r\n"
             "     4)      4000.000 1  Error     0008  4  00 19 08 08\r\n"
             "     5)      5000.000 1  Warng FFFFFFFF  4  00 00 00 08 BUSHEAVY\r\n"},
        {"1.3", true,
         ";$FILEVERSION=1.3\r\n" + start +
             "     1)      1500.000 1  Rx        0123 -  2    11 22\r\n"
             "     2)      2000.000 1  Tx    1ABCDEF0 -  8    01 02 03 04 05 06 07 08\r\n"
             "     3)      3000.000 1  Rx        07FF -  4    RTR\r\n"
             "     4)      4000.000 1  Error     0008 -  4    00 19 08 08\r\n"
             "     5)      5000.000 1  Warng FFFFFFFF -  4    00 00 00 08 BUSHEAVY\r\n"},
        {"2.0", true,
         ";$FILEVERSION=2.0\r\n" + start + ";$COLUMNS=N,O,T,I,d,l,D\r\n" +
             "      1      1500.000 DT     0123 Rx 2  11 22\r\n"
             "      2      2000.000 DT 1ABCDEF0 Tx 8  01 02 03 04 05 06 07 08\r\n"
             "      3      3000.000 RR     07FF Rx 4\r\n"
             "      4      4000.000 ER        - Rx 5  08 01 00 00 00\r\n"
             "      5      5000.000 ST          Rx    00 00 00 08\r\n"},
        {"2.1", true,
         ";$FILEVERSION=2.1\r\n" + start + ";$COLUMNS=N,O,T,B,I,d,R,L,D\r\n" +
             "      1      1500.000 DT 1      0123 Rx -  2    11 22\r\n"
             "      2      2000.000 DT 1  1ABCDEF0 Tx -  8    01 02 03 04 05 06 07 08\r\n"
             "      3      3000.000 RR 1      07FF Rx -  4\r\n"
             "      4      4000.000 ER 1         - Rx -  5    08 01 00 00 00\r\n"
             "      5      5000.000 ST 1         - Rx -  4    00 00 00 08\r\n"},
        {"2.1 own columns", true,
         ";$FILEVERSION=2.1\r\n" + start + ";$COLUMNS=N,O,T,B,I,d,R,l,L,D\r\n" +
             "      1      1500.000 DT 1      0123 Rx -  2 2   11 22\r\n"
             "      2      2000.000 DT 1  1ABCDEF0 Tx -  8 8   01 02 03 04 05 06 07 08\r\n"
             "      3      3000.000 RR 1      07FF Rx -  4 4\r\n"
             "      4      4000.000 ER 1         - Rx -  5 5   08 01 00 00 00\r\n"
             "      5      5000.000 ST 1         - Rx -  4 4   00 00 00 08\r\n"},
    };
    return versions;
}

TEST(TrcFormat, ReadsTheSameFramesFromEveryVersion) {
    for (const TrcVersion& v : TrcVersions()) {
        SCOPED_TRACE(v.name);
        korvex::formats::ReadResult result;
        std::vector<std::pair<long long, std::string>> bad;
        const std::vector<std::string> frames = ReadTrcText(v.text, &result, &bad);
        EXPECT_EQ(result.status, ReadStatus::kOk);
        EXPECT_TRUE(bad.empty()) << bad[0].first << ": " << bad[0].second;
        const std::string tx = v.direction ? "tx1" : "tx0";
        EXPECT_EQ(frames, (std::vector<std::string>{
                              "123 e0 r0 l2 tx0 ev0 1100 t15000",
                              "1ABCDEF0 e1 r0 l8 " + tx + " ev0 0108 t20000",
                              "7FF e0 r1 l4 tx0 ev0 0000 t30000",
                              "0 e0 r0 l0 tx0 ev229 0000 t40000",
                              "0 e0 r0 l0 tx0 ev227 0000 t50000",
                          }));
    }
}

// A trace cut at any byte (a logger that lost power) gives the records of
// the lines before the cut, and of the cut line only what it would have
// given whole: a record cut inside its data is refused, never shortened.
TEST(TrcFormat, AFileCutAtEveryByteReadsTheLinesBeforeTheCut) {
    for (const TrcVersion& v : TrcVersions()) {
        SCOPED_TRACE(v.name);
        const std::vector<std::string> whole = ReadTrcText(v.text, nullptr);
        ASSERT_EQ(whole.size(), 5u);
        for (std::size_t cut = 0; cut < v.text.size(); ++cut) {
            const std::string part = v.text.substr(0, cut);
            // Record lines ended before the cut: they must all be read.
            std::size_t ended = 0;
            for (std::size_t at = 0, end = part.find('\n'); end != std::string::npos;
                 at = end + 1, end = part.find('\n', at))
                ended += part[at] != ';';
            const std::vector<std::string> frames = ReadTrcText(part, nullptr);
            ASSERT_GE(frames.size(), ended) << cut;
            ASSERT_LE(frames.size(), std::min(ended + 1, whole.size())) << cut;
            for (std::size_t i = 0; i < frames.size(); ++i) ASSERT_EQ(frames[i], whole[i]) << cut;
        }
    }
}

// CAN FD frames that fit are read and counted, the longer ones counted;
// events of the logger (EV, of one bus or "-" of all, with any text) are no
// frames and no bad lines; times round to the nearest 0.1 ms.
TEST(TrcFormat, KeepsCanFdFramesThatFitAndCountsTheOthers) {
    std::string bytes64;
    for (int i = 0; i < 64; ++i) bytes64 += i ? " 00" : "00";
    std::string words;
    for (int i = 0; i < 90; ++i) words += " w";
    const std::string text =
        ";$FILEVERSION=2.1\r\n;$STARTTIME=45429.3958333333\r\n"
        ";$COLUMNS=N,O,T,B,I,d,R,L,D\r\n"
        "      1         0.100 FD 1      0200 Rx -  8    01 02 03 04 05 06 07 08\r\n"
        "      2         0.200 FB 1      0201 Tx -  9    00 01 02 03 04 05 06 07 08 09 0A 0B\r\n"
        "      3         0.300 BI 2  00000202 Rx -  15   " +
        bytes64 +
        "\r\n"
        "      4         0.400 FE 2      0203 Rx -  3    0A 0B 0C\r\n"
        "      5         0.500 EC 1         - Rx -  2    00 00\r\n"
        "      6         0.600 EV -  User event" +
        words +
        "\r\n"
        "      7         0.6499 DT 1      0204 Rx -  0 \r\n"
        "      8         0.650 DT 1      0205 Rx -  0 \r\n";
    korvex::formats::ReadResult result;
    std::vector<std::pair<long long, std::string>> bad;
    EXPECT_EQ(
        ReadTrcText(text, &result, &bad),
        (std::vector<std::string>{"200 e0 r0 l8 tx0 ev0 0108 t1", "203 e0 r0 l3 tx0 ev0 0A00 t4",
                                  "204 e0 r0 l0 tx0 ev0 0000 t6", "205 e0 r0 l0 tx0 ev0 0000 t7"}));
    EXPECT_EQ(result.longFdFrames, 2);
    EXPECT_EQ(result.tally.shortFdFrames, 2);
    EXPECT_EQ(result.tally.otherObjects, 2);
    EXPECT_TRUE(bad.empty()) << bad[0].first << ": " << bad[0].second;
    // The bus column picks a channel.
    EXPECT_EQ(ReadTrcText(text, &result, nullptr, Utc(2)),
              (std::vector<std::string>{"203 e0 r0 l3 tx0 ev0 0A00 t4"}));
    EXPECT_EQ(result.longFdFrames, 1);
}

TEST(TrcFormat, ReportsTheLinesItCannotRead) {
    const std::string head = ";$FILEVERSION=2.1\r\n;$COLUMNS=N,O,T,B,I,d,R,L,D\r\n";
    const std::pair<std::string, const char*> cases[] = {
        {"      1         0.100 DT 1      0800 Rx -  1    00", "bad identifier"},
        {"      1         0.100 DT 1 123456789 Rx -  1    00", "bad identifier"},
        {"      1         x.100 DT 1      0100 Rx -  1    00", "bad time offset"},
        {"      1         0.100 DT 1      0100 Rq -  1    00", "direction is not Rx or Tx"},
        {"      1         0.100 DT 1      0100 Rx -  3    00 01",
         "fewer data bytes than the length"},
        {"      1         0.100 DT 1      0100 Rx -  1    0G", "bad data byte"},
        {"      1         0.100 DT 1      0100 Rx -  1    00 01", "unexpected text after the data"},
        {"      1         0.100 XX 1      0100 Rx -  1    00", "unknown message type"},
        {"      1         0.100 DT 1      0100 Rx -  16   00", "bad length"},
        {"      1        -0.100 DT 1      0100 Rx -  1    00", "bad time offset"},
    };
    for (const auto& [line, reason] : cases) {
        std::vector<std::pair<long long, std::string>> bad;
        korvex::formats::ReadResult result;
        EXPECT_TRUE(ReadTrcText(head + line + "\r\n", &result, &bad).empty()) << line;
        ASSERT_EQ(bad.size(), 1u) << line;
        EXPECT_EQ(bad[0], (std::pair<long long, std::string>{3, reason})) << line;
        EXPECT_EQ(result.status, ReadStatus::kNoFrames);
    }
    std::vector<std::pair<long long, std::string>> bad;
    ReadTrcText(";$FILEVERSION=3.0\r\n;$STARTTIME=yesterday\r\n;$COLUMNS=N,O\r\n", nullptr, &bad);
    EXPECT_EQ(bad, (std::vector<std::pair<long long, std::string>>{
                       {1, "unknown file version"},
                       {2, "start time not understood; times count from 1970"},
                       {3, "columns not understood"}}));
    // Version 1.1 lines.
    bad.clear();
    ReadTrcText(
        ";$FILEVERSION=1.1\r\n     1)  1.0  Xx  0100  1  00\r\n     2)  1.0  Rx  0100  1  RTRX\r\n",
        nullptr, &bad);
    EXPECT_EQ(bad, (std::vector<std::pair<long long, std::string>>{
                       {2, "message type is not Rx, Tx, Warng or Error"}, {3, "bad data byte"}}));
}

TEST(TrcFormat, StartTimesAreDaysSince1899) {
    const std::pair<const char*, const char*> cases[] = {
        {"45429.3958333333", "2024-05-17 09:30:00.0000"},
        {"44548.6028595139", "2021-12-18 14:28:07.0620"},
        {"25569", "1970-01-01 00:00:00.0000"},
        {"25569.00000000115741", "1970-01-01 00:00:00.0001"},
        {"2958465.999998", "9999-12-31 23:59:59.8272"},
    };
    for (const auto& [text, expected] : cases) {
        const std::optional<Ticks> t = korvex::formats::TicksFromOleDate(text, true);
        ASSERT_TRUE(t) << text;
        const korvex::formats::CivilTime c = korvex::formats::CivilFromSeconds(*t / 10000, true);
        char shown[40];
        std::snprintf(shown, sizeof shown, "%04d-%02d-%02d %02d:%02d:%02d.%04lld", c.year, c.month,
                      c.day, c.hour, c.minute, c.second, static_cast<long long>(*t % 10000));
        EXPECT_STREQ(shown, expected) << text;
    }
    // The last 0.1 ms of the year 9999 rounds into the year 10000.
    for (const char* bad :
         {"", "x", "25568.9", "45429.", "-1", "2958466", "1.2.3", "2958465.9999999999"})
        EXPECT_FALSE(korvex::formats::TicksFromOleDate(bad, true)) << bad;
    // Written with ten decimals, every 0.1 ms comes back.
    for (Ticks t : {Ticks{0}, Ticks{1}, kStart + 1234567, Ticks{253402300799999}}) {
        const std::string text = korvex::formats::OleDateText(t, true);
        EXPECT_EQ(korvex::formats::TicksFromOleDate(text, true), t) << text;
    }
}

TEST(TrcFormat, WritesVersion21AsPcanViewDoesAndVersion11OnRequest) {
    const std::vector<OrigTimeEntry> clocks = {
        korvex::test::EdgeClock(2024, 5, 17, 9, 30, 0, 1000, 2)};
    const std::vector<_VCI_CAN_OBJ> frames = {
        korvex::test::EdgeFrame({0x123, false, false, 2, 1015, 0}),
        korvex::test::EdgeFrame({0x1ABCDEF0, true, false, 8, 1234567, 0, 0xFF}),
        korvex::test::EdgeFrame({0x7FF, false, true, 4, 1300, 0}),
        korvex::test::EdgeFrame({0, false, false, 0, 1400, 0, 0, 229, 0}),
        korvex::test::EdgeFrame({0, false, false, 0, 1500, 0, 0, 227, 0}),
        korvex::test::EdgeFrame({0x5, false, false, 0, 1600, 0}),
    };
    korvex::test::TempFolder dir;
    korvex::formats::WriteOptions options;
    options.utc = true;
    ASSERT_TRUE(korvex::test::WriteFormat(korvex::formats::DataFormat::kTrc, dir / "a.trc", clocks,
                                          frames, options));
    const std::string v21 = korvex::test::ReadText(dir / "a.trc");
    const std::string head21 =
        ";$FILEVERSION=2.1\r\n;$STARTTIME=45429.3958333333\r\n"
        ";$COLUMNS=N,O,T,B,I,d,R,L,D\r\n;\r\n";
    EXPECT_EQ(v21.substr(0, head21.size()), head21);
    EXPECT_NE(v21.find(";   Start time: 17.05.2024 09:30:00.000.0\r\n"), std::string::npos);
    const std::string lines21 =
        "      1         1.500 DT 1      0123 Rx -  2    C3 D4\r\n"
        "      2    123356.700 DT 1  1ABCDEF0 Tx -  8    90 A1 B2 C3 D4 E5 F6 07\r\n"
        "      3        30.000 RR 1      07FF Rx -  4\r\n"
        "      4        40.000 ER 1         - Rx -  5    08 01 00 00 00\r\n"
        "      5        50.000 ST 1         - Rx -  4    00 00 00 08\r\n"
        "      6        60.000 DT 1      0005 Rx -  0 \r\n";
    EXPECT_EQ(v21.substr(v21.size() - lines21.size()), lines21);

    options.trcVersion = korvex::formats::kTrcVersion11;
    ASSERT_TRUE(korvex::test::WriteFormat(korvex::formats::DataFormat::kTrc, dir / "b.trc", clocks,
                                          frames, options));
    const std::string v11 = korvex::test::ReadText(dir / "b.trc");
    const std::string head11 = ";$FILEVERSION=1.1\r\n;$STARTTIME=45429.3958333333\r\n";
    EXPECT_EQ(v11.substr(0, head11.size()), head11);
    EXPECT_EQ(v11.find("$COLUMNS"), std::string::npos);
    const std::string lines11 =
        "     1)         1.5  Rx         0123  2  C3 D4\r\n"
        "     2)    123356.7  Tx     1ABCDEF0  8  90 A1 B2 C3 D4 E5 F6 07\r\n"
        "     3)        30.0  Rx         07FF  4  RTR\r\n"
        "     4)        40.0  Error      0008  4  01 00 00 00\r\n"
        "     5)        50.0  Warng  FFFFFFFF  4  00 00 00 08  BUSHEAVY\r\n"
        "     6)        60.0  Rx         0005  0\r\n";
    EXPECT_EQ(v11.substr(v11.size() - lines11.size()), lines11);

    // Each reads back as written, in both versions.
    for (const char* name : {"a.trc", "b.trc"}) {
        const korvex::test::LoadedFile back =
            korvex::test::LoadFile(dir / name, std::nullopt, Utc());
        ASSERT_EQ(back.result.status, ReadStatus::kOk) << name;
        EXPECT_TRUE(back.badLines.empty()) << name;
        ASSERT_EQ(back.frames.size(), frames.size()) << name;
        EXPECT_EQ(back.frames[1].SendType, 0xFF) << name;
        EXPECT_EQ(back.frames[3].Reserved[0], 229) << name;
        EXPECT_EQ(back.frames[4].Reserved[0], 227) << name;
    }
}

// Events map onto PCAN's controller states where one fits, onto error frames
// otherwise.
TEST(TrcFormat, ControllerStatesAndEventsMapBothWays) {
    const std::pair<std::uint8_t, std::uint32_t> states[] = {
        {225, 0x02}, {226, 0x04}, {227, 0x08}, {230, 0x10}, {228, 0}, {229, 0}, {0xFE, 0}};
    for (const auto& [event, status] : states) {
        EXPECT_EQ(korvex::formats::TrcStatusOfEvent(event), status) << int{event};
        if (status != 0) {
            EXPECT_EQ(korvex::formats::EventOfTrcStatus(status), event);
        }
    }
    EXPECT_EQ(korvex::formats::EventOfTrcStatus(0x40), 225);     // receive queue overrun
    EXPECT_EQ(korvex::formats::EventOfTrcStatus(0x40000), 227);  // bus passive
    EXPECT_EQ(korvex::formats::EventOfTrcStatus(0x18), 230);     // heavy and off: off
    EXPECT_EQ(korvex::formats::EventOfTrcStatus(0), 0);
    EXPECT_EQ(korvex::formats::EventOfTrcStatus(0x20), 0);
}

}  // namespace
