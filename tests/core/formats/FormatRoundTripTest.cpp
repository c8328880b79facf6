// Every format that can be read back, over the one corpus of edge frames:
// what a format can carry must come back unchanged, and writing what was
// read must give the same file again.
#include <gtest/gtest.h>

#include <cstring>

#include "core/formats/AscFormat.h"
#include "core/formats/CandumpFormat.h"
#include "core/formats/TrcFormat.h"

#include "core/formats/FrameClock.h"
#include "tests/core/formats/FormatTestSupport.h"
#include "tests/support/EdgeFrameCorpus.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::formats::CFrameClock;
using korvex::formats::DataFormat;
using korvex::formats::Ticks;

struct RoundTrip {
    DataFormat format;
    const char* file;
    bool keepsDirection;
    bool keepsEventCode;
    bool keepsSubCode;
    int trcVersion = korvex::formats::kTrcVersion21;
};

// What a log of another tool says about a frame, with its absolute time.
struct Seen {
    std::uint32_t id;
    int extended, remote, length, transmitted, event, subCode;
    std::string data;
    Ticks time;
    bool hasClock;
};

Seen SeenOf(const _VCI_CAN_OBJ& f, const CFrameClock& clock, const RoundTrip& trip) {
    Seen s{};
    const bool event = f.Reserved[0] != 0;
    s.id = f.ID;
    s.extended = f.ExternFlag;
    s.remote = f.RemoteFlag;
    s.length = f.DataLen;
    s.transmitted = trip.keepsDirection && f.SendType == 0xFF;
    s.event = event ? (trip.keepsEventCode ? f.Reserved[0] : 1) : 0;
    s.subCode = event && trip.keepsSubCode ? f.Reserved[2] : 0;
    if (!f.RemoteFlag && !event) s.data.assign(reinterpret_cast<const char*>(f.Data), f.DataLen);
    s.time = clock.AbsoluteTime(f);
    s.hasClock = f.Reserved[1] != 0xFF;
    return s;
}

void ExpectSame(const Seen& a, const Seen& b, std::size_t i) {
    EXPECT_EQ(a.id, b.id) << "frame " << i;
    EXPECT_EQ(a.extended, b.extended) << "frame " << i;
    EXPECT_EQ(a.remote, b.remote) << "frame " << i;
    EXPECT_EQ(a.length, b.length) << "frame " << i;
    EXPECT_EQ(a.transmitted, b.transmitted) << "frame " << i;
    EXPECT_EQ(a.event, b.event) << "frame " << i;
    EXPECT_EQ(a.subCode, b.subCode) << "frame " << i;
    EXPECT_EQ(a.data, b.data) << "frame " << i;
    EXPECT_EQ(a.time, b.time) << "frame " << i;
    EXPECT_EQ(a.hasClock, b.hasClock) << "frame " << i;
}

TEST(FormatRoundTrip, EveryReadableFormatKeepsTheEdgeFrames) {
    const RoundTrip trips[] = {
        {DataFormat::kCandump, "edge.log", false, true, true},
        {DataFormat::kAsc, "edge.asc", true, false, false},
        {DataFormat::kSnapshot, "edge.can", true, true, true},
        {DataFormat::kBlf, "edge.blf", true, true, true},
        {DataFormat::kTrc, "edge.trc", true, false, false},
        {DataFormat::kTrc, "edge11.trc", true, false, false, korvex::formats::kTrcVersion11},
        {DataFormat::kPcapng, "edge.pcapng", true, true, true},
    };
    const korvex::test::EdgeRecording corpus = korvex::test::EdgeFrameCorpus();
    korvex::formats::WriteOptions write;
    write.utc = true;
    korvex::formats::ReadOptions read;
    read.utc = true;
    read.bitRateIndex = 4;
    const CFrameClock originalClock(corpus.origTimeList, true);
    for (const RoundTrip& trip : trips) {
        SCOPED_TRACE(trip.file);
        write.trcVersion = trip.trcVersion;
        korvex::test::TempFolder dir;
        ASSERT_TRUE(korvex::test::WriteFormat(trip.format, dir / trip.file, corpus.origTimeList,
                                              corpus.frames, write));
        const korvex::test::LoadedFile back =
            korvex::test::LoadFile(dir / trip.file, std::nullopt, read);
        ASSERT_EQ(back.result.status, korvex::formats::ReadStatus::kOk);
        EXPECT_TRUE(back.badLines.empty())
            << back.badLines[0].first << ": " << back.badLines[0].second;
        ASSERT_EQ(back.frames.size(), corpus.frames.size());
        const CFrameClock backClock(back.origTimeList, true);
        for (std::size_t i = 0; i < corpus.frames.size(); ++i)
            ExpectSame(SeenOf(corpus.frames[i], originalClock, trip),
                       SeenOf(back.frames[i], backClock, trip), i);
        if (trip.format != DataFormat::kSnapshot) {
            // The spans ten hours apart come back as two, with the bit rate asked for.
            ASSERT_EQ(back.origTimeList.size(), 2u);
            EXPECT_EQ(back.origTimeList[1].bitRateIndex, 4);
        }

        const std::string first = korvex::test::ReadText(dir / trip.file);
        ASSERT_TRUE(korvex::test::WriteFormat(trip.format, dir / "again", back.origTimeList,
                                              back.frames, write));
        EXPECT_EQ(korvex::test::ReadText(dir / "again"), first);
    }
}

TEST(FormatRoundTrip, NoEventsLeavesEventRecordsOutOfTheLogs) {
    const korvex::test::EdgeRecording corpus = korvex::test::EdgeFrameCorpus();
    std::size_t ordinary = 0;
    for (const _VCI_CAN_OBJ& f : corpus.frames) ordinary += f.Reserved[0] == 0;
    korvex::formats::WriteOptions write;
    write.utc = true;
    write.noEvents = true;
    for (const auto& [format, file] :
         {std::pair{DataFormat::kCandump, "e.log"}, std::pair{DataFormat::kAsc, "e.asc"}}) {
        korvex::test::TempFolder dir;
        ASSERT_TRUE(korvex::test::WriteFormat(format, dir / file, corpus.origTimeList,
                                              corpus.frames, write));
        korvex::formats::ReadOptions read;
        read.utc = true;
        const korvex::test::LoadedFile back = korvex::test::LoadFile(dir / file, {}, read);
        EXPECT_EQ(back.frames.size(), ordinary) << file;
        for (const _VCI_CAN_OBJ& f : back.frames) EXPECT_EQ(f.Reserved[0], 0) << file;
    }
}

TEST(FormatRoundTrip, LocalTimeIsTheDefaultAndUtcShiftsByTheZone) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "Asia/Shanghai", 1);
    tzset();
    const korvex::test::EdgeRecording corpus = korvex::test::EdgeFrameCorpus();
    korvex::test::TempFolder dir;
    korvex::formats::WriteOptions local;
    korvex::formats::WriteOptions utc;
    utc.utc = true;
    ASSERT_TRUE(korvex::test::WriteFormat(DataFormat::kCandump, dir / "local.log",
                                          corpus.origTimeList, corpus.frames, local));
    ASSERT_TRUE(korvex::test::WriteFormat(DataFormat::kCandump, dir / "utc.log",
                                          corpus.origTimeList, corpus.frames, utc));
    const std::string localText = korvex::test::ReadText(dir / "local.log");
    const std::string utcText = korvex::test::ReadText(dir / "utc.log");
    // 22:13:20.0001 on 2023-11-14 at UTC+8 is 14:13:20.0001 UTC.
    EXPECT_NE(localText.find("(1699971200.000100) can0 123#"), std::string::npos) << localText;
    EXPECT_NE(utcText.find("(1700000000.000100) can0 123#"), std::string::npos) << utcText;
    // Frames without a clock record count from the epoch in either case.
    EXPECT_EQ(localText.substr(0, 26), "(1.234500) can0 100#A0B1C2");

    const korvex::test::LoadedFile back = korvex::test::LoadFile(dir / "local.log");
    ASSERT_EQ(back.origTimeList.size(), 2u);
    EXPECT_EQ(back.origTimeList[0].hour, 22);
    EXPECT_EQ(back.origTimeList[0].bitRateIndex, 0xFF);
    if (old) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

}  // namespace

namespace {

// A log cut anywhere keeps every whole line before the cut; the piece of a
// line at the cut is a frame of its own or one reported line, never more.
TEST(FormatRoundTrip, ALogCutAnywhereKeepsItsWholeLines) {
    const korvex::test::EdgeRecording corpus = korvex::test::EdgeFrameCorpus();
    korvex::formats::WriteOptions write;
    write.utc = true;
    using Reader = korvex::formats::ReadResult (*)(std::FILE*, const korvex::formats::ReadOptions&,
                                                   korvex::formats::CRecording&,
                                                   const korvex::formats::BadLineFn&);
    const std::pair<DataFormat, Reader> formats[] = {
        {DataFormat::kCandump, &korvex::formats::ReadCandump},
        {DataFormat::kAsc, &korvex::formats::ReadAsc},
        {DataFormat::kTrc, &korvex::formats::ReadTrc},
    };
    for (const auto& [format, reader] : formats) {
        korvex::test::TempFolder dir;
        ASSERT_TRUE(korvex::test::WriteFormat(format, dir / "full", corpus.origTimeList,
                                              corpus.frames, write));
        const std::string full = korvex::test::ReadText(dir / "full");
        korvex::formats::CRecording whole;
        korvex::test::ParseText(reader, full, whole);
        ASSERT_EQ(whole.frames.size(), corpus.frames.size());
        for (std::size_t cut = 0; cut < full.size(); ++cut) {
            const std::string part = full.substr(0, cut);
            const std::size_t lineEnd = part.rfind('\n');
            korvex::formats::CRecording lines;
            korvex::test::ParseText(
                reader, lineEnd == std::string::npos ? std::string() : part.substr(0, lineEnd + 1),
                lines);
            korvex::formats::CRecording out;
            std::vector<std::pair<long long, std::string>> bad;
            korvex::test::ParseText(reader, part, out, &bad);
            EXPECT_LE(bad.size(), 1u) << cut;
            ASSERT_GE(out.frames.size(), lines.frames.size()) << cut;
            EXPECT_LE(out.frames.size(), lines.frames.size() + 1) << cut;
            for (std::size_t i = 0; i < lines.frames.size(); ++i) {
                EXPECT_EQ(out.frames[i].ID, lines.frames[i].ID) << cut;
                EXPECT_EQ(out.frames[i].TimeStamp, lines.frames[i].TimeStamp) << cut;
            }
        }
    }
}

TEST(FormatRoundTrip, TextLogsMadeOnManyThreadsAreThoseOfOnePass) {
    // The corpus three times over: clock indices change back and forth, and
    // with events left out blocks start and end on records the logs skip.
    const korvex::test::EdgeRecording corpus = korvex::test::EdgeFrameCorpus();
    std::vector<_VCI_CAN_OBJ> frames;
    for (int copy = 0; copy < 3; ++copy)
        frames.insert(frames.end(), corpus.frames.begin(), corpus.frames.end());
    korvex::ExportRowContext context;
    context.timeShowType = 1;
    const std::pair<DataFormat, int> logs[] = {
        {DataFormat::kCandump, 0},
        {DataFormat::kAsc, 0},
        {DataFormat::kCsv, 0},
        {DataFormat::kText, 0},
        {DataFormat::kTrc, korvex::formats::kTrcVersion21},
        {DataFormat::kTrc, korvex::formats::kTrcVersion11},
    };
    korvex::test::TempFolder dir;
    for (const auto& log : logs) {
        const DataFormat format = log.first;
        for (const bool noEvents : {false, true}) {
            korvex::formats::WriteOptions write;
            write.utc = true;
            write.noEvents = noEvents;
            write.trcVersion = log.second;
            write.split.threads = 1;
            const auto text = [&] {
                EXPECT_TRUE(korvex::test::WriteFormat(format, dir / "log", corpus.origTimeList,
                                                      frames, write, {"a", "b"}, context));
                return korvex::test::ReadText(dir / "log");
            };
            const std::string one = text();
            for (const std::int64_t blockItems : {1, 2, 5, 23}) {
                SCOPED_TRACE(korvex::formats::FormatInfo(format).name +
                             (" in blocks of " + std::to_string(blockItems)));
                write.split.threads = 3;
                write.split.blockItems = blockItems;
                EXPECT_EQ(text(), one);
            }
        }
    }
}

}  // namespace
