#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "app/signals/rules/BitGridLayout.h"
#include "app/signals/rules/DecodedCsv.h"
#include "app/signals/rules/LaneColumns.h"
#include "app/signals/rules/PlotViewport.h"
#include "app/signals/rules/SampleCsv.h"
#include "app/signals/rules/SignalDatabaseSet.h"
#include "app/signals/rules/SignalPaneRows.h"
#include "app/signals/rules/SignalTree.h"
#include "app/signals/rules/TimeAxis.h"
#include "app/signals/rules/ValueTicks.h"
#include "core/formats/FrameClock.h"
#include "core/signals/DbcReader.h"
#include "tests/support/TempFolder.h"

namespace {

using namespace korvex::signaldb;
using korvex::test::TempFolder;

constexpr char kEngineDbc[] = R"(
BO_ 256 Engine: 8 Ecu
 SG_ Speed : 0|16@1+ (0.25,0) [0|16383] "rpm" Gw
 SG_ Gear : 16|4@1+ (1,0) [0|15] "" Gw
CM_ SG_ 256 Speed "Crankshaft speed";
VAL_ 256 Gear 0 "Neutral" 1 "First" ;
)";

constexpr char kOtherDbc[] = R"(
BO_ 256 Rival: 8 Ecu
 SG_ Byte0 : 0|8@1+ (1,0) [0|0] "" Gw
BO_ 512 Brake: 2 Ecu
 SG_ Pressure : 0|16@1- (0.1,0) [0|0] "bar" Gw
)";

_VCI_CAN_OBJ Frame(std::uint32_t id, std::vector<std::uint8_t> data, std::uint8_t clock = 0,
                   std::uint32_t stamp = 0) {
    _VCI_CAN_OBJ f{};
    f.ID = id;
    f.DataLen = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(), f.Data);
    f.TimeStamp = stamp;
    f.TimeFlag = 1;
    f.Reserved[1] = clock;
    return f;
}

TEST(SignalDatabaseSet, AddsRefusesOrdersAndRestores) {
    TempFolder dir;
    korvex::test::WriteBytes(dir / "engine.dbc", kEngineDbc);
    korvex::test::WriteBytes(dir / "other.dbc", kOtherDbc);
    korvex::test::WriteBytes(dir / "bad.dbc", "BO_ 1 M: 8 A\nBO_ 1 N: 8 A\n");
    CSignalDatabaseSet set;
    set.SetStrict(true);
    std::vector<DatabaseProblem> problems;
    EXPECT_TRUE(set.Add({dir.File("engine.dbc"), dir.File("bad.dbc"), dir.File("engine.dbc"),
                         dir.File("gone.dbc"), dir.File("other.dbc")},
                        problems));
    EXPECT_EQ(set.Paths(),
              (std::vector<std::string>{dir.File("engine.dbc"), dir.File("other.dbc")}));
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0].kind, DatabaseProblem::kDamaged);
    EXPECT_EQ(problems[0].detail, dir.File("bad.dbc") +
                                      ":2: identifier 0x1 of message 'N' is also "
                                      "message 'M' (line 1)");
    EXPECT_EQ(problems[1].kind, DatabaseProblem::kDuplicate);
    EXPECT_EQ(problems[2].kind, DatabaseProblem::kMissing);

    // Lenient, the damaged database is added without the statement, which
    // is listed; one without any message is still refused.
    set.SetStrict(false);
    problems.clear();
    std::vector<DatabaseWarnings> warned;
    korvex::test::WriteBytes(dir / "none.dbc", "BO_ 3221225472 Independent: 0 A\n");
    EXPECT_TRUE(set.Add({dir.File("bad.dbc"), dir.File("none.dbc")}, problems, &warned));
    ASSERT_EQ(warned.size(), 1u);
    EXPECT_EQ(warned[0].path, dir.File("bad.dbc"));
    EXPECT_EQ(
        warned[0].warnings,
        std::vector<std::string>{dir.File("bad.dbc") + ":2: identifier 0x1 of message 'N' is also "
                                                       "message 'M' (line 1)"});
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].detail, dir.File("none.dbc") + ": holds no message");

    // The first database that has a frame's message wins.
    const _VCI_CAN_OBJ f = Frame(256, {1, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(set.Decoder()->Find(f)->message->name, "Engine");
    ASSERT_TRUE(set.Move(1, -1));
    EXPECT_EQ(set.Decoder()->Find(f)->message->name, "Rival");
    EXPECT_FALSE(set.Move(0, -1));
    set.Remove(0);
    EXPECT_EQ(set.Decoder()->Find(f)->message->name, "Engine");

    // At start-up a file that went away is reported once and dropped.
    problems.clear();
    set.Restore({dir.File("gone.dbc"), dir.File("other.dbc")}, problems);
    EXPECT_EQ(set.Paths(), std::vector<std::string>{dir.File("other.dbc")});
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].path, dir.File("gone.dbc"));
}

std::shared_ptr<const CSignalDecoder> Decoder(const char* text) {
    auto db = std::make_shared<DbcDatabase>();
    DbcError error;
    EXPECT_TRUE(ParseDbcText(text, *db, error)) << error.reason;
    return std::make_shared<CSignalDecoder>(CSignalDecoder::DatabaseList{db});
}

TEST(SignalPaneRows, ShowsTheMessageAndEachDecodedSignal) {
    const auto decoder = Decoder(kEngineDbc);
    const SignalPaneContent content = SignalPaneRows(*decoder, Frame(256, {0x10, 0x27, 0x01}));
    EXPECT_EQ(content.message, "Engine");
    ASSERT_EQ(content.rows.size(), 2u);
    const SignalPaneRow& speed = content.rows[0];
    EXPECT_EQ(speed.name + "|" + speed.value + "|" + speed.unit + "|" + speed.raw + "|" +
                  speed.text + "|" + speed.comment,
              "Speed|2500|rpm|0x2710||Crankshaft speed");
    EXPECT_EQ(content.rows[1].raw + "|" + content.rows[1].text, "0x1|First");
    EXPECT_TRUE(SignalPaneRows(*decoder, Frame(257, {1})).message.empty());
    EXPECT_TRUE(SignalPaneRows(*decoder, Frame(256, {1})).rows.empty());
}

TEST(MinMaxSummary, AgreesWithAPlainScanOverAnyRun) {
    std::mt19937 random(3);
    for (const std::size_t n : {0u, 1u, 7u, 8u, 65u, 4096u, 40000u}) {
        std::vector<double> values(n);
        for (double& v : values) v = std::uniform_real_distribution<double>(-1e3, 1e3)(random);
        if (n > 10) values[n / 2] = std::nan("");
        const CMinMaxSummary summary(values);
        for (int q = 0; q < 300; ++q) {
            std::size_t a = n ? random() % (n + 1) : 0;
            std::size_t b = n ? random() % (n + 1) : 0;
            if (a > b) std::swap(a, b);
            ValueRange expected;
            for (std::size_t i = a; i < b; ++i) expected.Add(values[i]);
            const ValueRange got = summary.Range(a, b);
            ASSERT_EQ(got.any, expected.any) << n << " [" << a << "," << b << ")";
            if (got.any) {
                ASSERT_EQ(got.min, expected.min) << n << " [" << a << "," << b << ")";
                ASSERT_EQ(got.max, expected.max) << n << " [" << a << "," << b << ")";
            }
        }
    }
}

// Two spans: clock record 0 at 12:00:00 local time (recorder stamp 1000),
// clock record 1 at 15:30:00 (stamp 0).
std::vector<OrigTimeEntry> TwoClocks() {
    const auto local = [](int hour, int minute, std::uint32_t stamp) {
        korvex::formats::CivilTime t;
        t.year = 2024;
        t.month = 5;
        t.day = 21;
        t.hour = hour;
        t.minute = minute;
        return korvex::formats::MakeClockEntry(*korvex::formats::SecondsFromCivil(t, false), false,
                                               stamp, 2);
    };
    return {local(12, 0, 1000), local(15, 30, 0)};
}

TEST(SignalSamples, PlacesSpansOnOneAxisWithABreakAndCancels) {
    const auto decoder = Decoder(kEngineDbc);
    CCycleBuffer<_VCI_CAN_OBJ> store;
    for (int i = 0; i < 100; ++i)  // 0.1 s apart from 12:00:00
        store.Push(Frame(256, {static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(i % 3)},
                         0, 1000 + 1000 * static_cast<std::uint32_t>(i)));
    store.Push(Frame(300, {1, 2}, 0, 200000));  // no message: still part of span 0
    for (int i = 0; i < 50; ++i)
        store.Push(Frame(256, {static_cast<std::uint8_t>(i), 0, 1}, 1,
                         500 * static_cast<std::uint32_t>(i)));
    SampleRequest request{decoder, {{0, 0}, {0, 1}, {5, 0}}, TwoClocks()};
    std::atomic<long long> progress{0};
    std::atomic<bool> cancel{false};
    const SampleResult result = ComputeSamples(request, store, progress, cancel);
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(progress.load(), 151);
    ASSERT_EQ(result.series.size(), 3u);
    const SampleSeries& speed = result.series[0];
    ASSERT_EQ(speed.x.size(), 150u);
    EXPECT_TRUE(speed.raws.empty());
    EXPECT_EQ(result.series[1].raws.size(), 150u);  // Gear has a value table
    EXPECT_TRUE(result.series[2].x.empty());        // no such message
    EXPECT_TRUE(std::is_sorted(speed.x.begin(), speed.x.end()));
    EXPECT_EQ(speed.frames[100], 101);
    EXPECT_DOUBLE_EQ(speed.values[99], 99 * 0.25);

    // Span 0 lasts 19.9 s (to the unknown frame at stamp 200000), span 1
    // 2.45 s; the break between them is 2 % of both.
    const CTimeAxis& axis = result.axis;
    ASSERT_EQ(axis.Spans().size(), 2u);
    EXPECT_DOUBLE_EQ(axis.Spans()[0].end, 19.9);
    EXPECT_DOUBLE_EQ(axis.Spans()[1].start, 19.9 + 0.02 * (19.9 + 2.45));
    EXPECT_DOUBLE_EQ(speed.x[100], axis.Spans()[1].start);
    EXPECT_EQ(axis.TimeText(speed.x[1], 3), "12:00:00.100");
    EXPECT_EQ(axis.TimeText(speed.x[149], 1), "15:30:02.4");
    EXPECT_EQ(axis.SpanAt(20.0), 0);  // in the break
    EXPECT_EQ(SampleAtOrBefore(speed, 20.0), 99);
    EXPECT_EQ(NearestSample(speed, 0.149), 1);
    EXPECT_EQ(NearestSample(speed, 0.151), 2);

    cancel = true;
    EXPECT_TRUE(ComputeSamples(request, store, progress, cancel).cancelled);
}

TEST(TimeAxis, TicksFallOnRoundTimesOfEachSpan) {
    const auto entries = TwoClocks();
    const korvex::formats::CFrameClock clock(entries, false);
    const std::int64_t noon = *clock.EntryTime(0);
    const std::int64_t later = *clock.EntryTime(1);
    // 12:00:00.37 to 12:00:07.2, then 15:30:00 to 15:30:03; and a span
    // without clock records.
    const CTimeAxis axis({{noon + 3700, noon + 72000, true, 0, 0},
                          {later, later + 30000, true, 0, 0},
                          {5000, 25000, false, 0, 0}});
    std::vector<std::string> texts;
    for (const AxisTick& t : axis.Ticks(0, axis.End(), 20)) texts.push_back(t.text);
    EXPECT_EQ(texts,
              (std::vector<std::string>{"12:00:01", "12:00:02", "12:00:03", "12:00:04", "12:00:05",
                                        "12:00:06", "12:00:07", "15:30:00", "15:30:01", "15:30:02",
                                        "15:30:03", "+0:00:01", "+0:00:02"}));
    // Many breaks share a tenth of the recorded time.
    std::vector<AxisSpan> eleven;
    for (int k = 0; k < 11; ++k) eleven.push_back({k * 100000LL, k * 100000LL + 10000, true, 0, 0});
    EXPECT_DOUBLE_EQ(CTimeAxis(eleven).Spans()[1].start, 1 + 11 * 0.01);
    texts.clear();
    for (const AxisTick& t : axis.Ticks(0.4, 0.9, 5)) texts.push_back(t.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"12:00:00.8", "12:00:00.9", "12:00:01.0",
                                               "12:00:01.1", "12:00:01.2"}));
}

TEST(LaneColumns, EverySampleInRangeLandsInExactlyOneColumn) {
    SampleSeries s;
    std::mt19937 random(5);
    double x = 0;
    for (int i = 0; i < 20000; ++i) {
        x += (random() % 4 == 0) ? 0.0 : 0.001 * (random() % 50);
        s.x.push_back(x);
        s.values.push_back(std::sin(i * 0.01) * 100);
    }
    const CMinMaxSummary summary(s.values);
    const struct {
        double from, to;
        int width;
    } views[] = {{0.0, x, 800}, {x / 3, x / 3 + 0.05, 640}, {x + 1, x + 2, 10}};
    for (const auto& view : views) {
        const double from = view.from;
        const double to = view.to;
        const int width = view.width;
        const LaneGeometry g = ComputeLaneColumns(s, summary, from, to, width);
        std::size_t covered = 0;
        ValueRange all;
        int lastPixel = -1;
        for (const LaneColumn& c : g.columns) {
            EXPECT_GT(c.pixel, lastPixel);
            lastPixel = c.pixel;
            EXPECT_LT(c.pixel, width);
            covered += c.last - c.first + 1;
            for (std::size_t i = c.first; i <= c.last; ++i) {
                EXPECT_GE(s.x[i], from);
                EXPECT_LE(s.x[i], to);
                all.Add(s.values[i]);
            }
        }
        const auto inside =
            std::count_if(s.x.begin(), s.x.end(), [&](double v) { return v >= from && v < to; });
        EXPECT_EQ(covered, static_cast<std::size_t>(inside)) << from;
        EXPECT_EQ(g.range.any, all.any);
        if (all.any) {
            EXPECT_EQ(g.range.max, all.max);
        }
        if (g.before >= 0) {
            EXPECT_LT(s.x[g.before], from);
        }
        if (g.after >= 0) {
            EXPECT_GE(s.x[g.after], to);
        }
    }
}

TEST(PlotViewport, ZoomKeepsTheAnchorAndStaysWithinTheLimits) {
    CPlotViewport view;
    view.SetLimits(10, 110);
    view.ZoomAt(60, 0.5);
    EXPECT_DOUBLE_EQ(view.From(), 35);
    EXPECT_DOUBLE_EQ(view.To(), 85);
    view.ZoomAt(80, 0.1);
    EXPECT_NEAR(view.ToPixel(80, 1000), (80 - 35) / 50.0 * 1000, 1e-9);
    view.Pan(-1000);
    EXPECT_DOUBLE_EQ(view.From(), 10);
    view.ZoomAt(50, 1e-12);
    EXPECT_NEAR(view.Width(), CPlotViewport::kMinWidth, 1e-9);
    view.ZoomAt(50, 1e9);
    EXPECT_DOUBLE_EQ(view.From(), 10);
    EXPECT_DOUBLE_EQ(view.To(), 110);
}

TEST(SampleCsv, WritesTheVisibleSamplesOfEveryLaneInFrameOrder) {
    const auto decoder = Decoder(kEngineDbc);
    CCycleBuffer<_VCI_CAN_OBJ> store;
    for (int i = 0; i < 6; ++i)
        store.Push(Frame(256, {static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(i % 2)},
                         0xFF, 10000 * static_cast<std::uint32_t>(i)));
    std::atomic<long long> progress{0};
    const std::atomic<bool> cancel{false};
    const SampleResult r = ComputeSamples({decoder, {{0, 1}, {0, 0}}, {}}, store, progress, cancel);
    std::string csv;
    ASSERT_TRUE(WriteSampleCsv(
        *decoder, {&r.series[0], &r.series[1]}, r.series[0].x[2], r.series[0].x[3], store,
        [](long long index, const _VCI_CAN_OBJ&, std::string& text) {
            text = "t" + std::to_string(index);
        },
        [&](const std::string& block) {
            csv += block;
            return true;
        }));
    EXPECT_EQ(csv,
              "index,time,id,message,signal,raw,value,unit,text\n"
              "2,t2,0x100,Engine,Gear,0,0,,Neutral\n"
              "2,t2,0x100,Engine,Speed,2,0.5,rpm,\n"
              "3,t3,0x100,Engine,Gear,1,1,,First\n"
              "3,t3,0x100,Engine,Speed,3,0.75,rpm,\n");
}

TEST(DecodedCsv, LinesMadeOnManyThreadsAreThoseOfOnePass) {
    auto engine = std::make_shared<DbcDatabase>();
    auto other = std::make_shared<DbcDatabase>();
    DbcError error;
    ASSERT_TRUE(ParseDbcText(kEngineDbc, *engine, error));
    ASSERT_TRUE(ParseDbcText(kOtherDbc, *other, error));
    const CSignalDecoder decoder({engine, other});
    // Engine (two signals, the first database wins over Rival), Brake (one),
    // and an identifier no database knows.
    CCycleBuffer<_VCI_CAN_OBJ> store;
    constexpr std::uint32_t kIds[] = {256, 512, 300};
    store.Reset(3000);
    for (std::uint32_t i = 0; i < 3000; ++i)
        store.Push(Frame(kIds[i % 3], {static_cast<std::uint8_t>(i), 1, 2}, 0xFF, i * 7));
    const SignalSelection all{{1, 1}, {1}, {1}};
    korvex::ExportRowContext context;
    context.timeShowType = 1;
    TempFolder dir;
    const auto write = [&](const std::string& name, unsigned threads, std::int64_t blockItems) {
        std::FILE* file = std::fopen(dir.File(name).c_str(), "wb");
        korvex::PassSplit split;
        split.threads = threads;
        split.blockItems = blockItems;
        EXPECT_TRUE(WriteDecodedCsvLines(file, decoder, all, store.View(), context, split));
        std::fclose(file);
        return korvex::test::ReadBytes(dir / name);
    };
    const std::string one = write("one.csv", 1, 1 << 20);
    EXPECT_EQ(std::count(one.begin(), one.end(), '\n'), 3000);
    EXPECT_EQ(one.substr(0, one.find('\n', one.find('\n') + 1) + 1),
              "0,00:00:00.000.0,0x100,Engine,Speed,256,64,rpm,\n"
              "0,00:00:00.000.0,0x100,Engine,Gear,2,2,,\n");
    EXPECT_EQ(write("split.csv", 3, 7), one);
}

TEST(SignalTree, FiltersByEveryWordInNamesUnitsAndComments) {
    auto engine = std::make_shared<DbcDatabase>();
    auto other = std::make_shared<DbcDatabase>();
    DbcError error;
    ASSERT_TRUE(ParseDbcText(kEngineDbc, *engine, error));
    ASSERT_TRUE(ParseDbcText(kOtherDbc, *other, error));
    const auto decoder =
        std::make_shared<CSignalDecoder>(CSignalDecoder::DatabaseList{engine, other});
    const auto names = [&](const std::string& filter) {
        std::vector<std::string> out;
        for (const SignalTreeMessage& m : FilterSignalTree(*decoder, filter))
            for (int s : m.signalList) {
                const DbcMessage& message = *decoder->Messages()[m.message].message;
                out.push_back(message.name + "." + message.signalList[s].name);
            }
        return out;
    };
    EXPECT_EQ(names("").size(), 4u);
    EXPECT_EQ(names("RPM"), std::vector<std::string>{"Engine.Speed"});
    EXPECT_EQ(names("crank engine"), std::vector<std::string>{"Engine.Speed"});
    EXPECT_EQ(names("brake bar"), std::vector<std::string>{"Brake.Pressure"});
    EXPECT_TRUE(names("nothing").empty());
}

// Value ticks stand at round values inside the range, as many as fit.
TEST(ValueTicks, RoundStepsInsideTheRange) {
    const struct {
        double min, max;
        int maxTicks;
        double step;
        std::vector<double> values;
        int decimals;
    } cases[] = {
        {0, 10, 6, 2, {0, 2, 4, 6, 8, 10}, 0},
        {265, 290, 6, 5, {265, 270, 275, 280, 285, 290}, 0},
        {263.1, 291.7, 4, 10, {270, 280, 290}, 0},
        {0, 10, 5, 2.5, {0, 2.5, 5, 7.5, 10}, 1},
        {0.1, 0.35, 5, 0.1, {0.1, 0.2, 0.3}, 1},
        {-0.03, 0.02, 6, 0.01, {-0.03, -0.02, -0.01, 0, 0.01, 0.02}, 2},
        {-7, -2, 3, 2, {-6, -4, -2}, 0},
        {0, 2e6, 3, 1e6, {0, 1e6, 2e6}, 0},
        {0, 0.0005, 2, 0.0005, {0, 0.0005}, 4},
        {0, 0.001, 5, 0.00025, {0, 0.00025, 0.0005, 0.00075, 0.001}, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.min) + " " + std::to_string(c.max));
        const ValueTicks ticks = RoundValueTicks(c.min, c.max, c.maxTicks);
        EXPECT_DOUBLE_EQ(ticks.step, c.step);
        EXPECT_EQ(ticks.decimals, c.decimals);
        ASSERT_EQ(ticks.values.size(), c.values.size());
        for (std::size_t i = 0; i < c.values.size(); ++i)
            EXPECT_NEAR(ticks.values[i], c.values[i], 1e-9 * std::max(1.0, std::fabs(c.max)));
    }
    // Values of no decimals (named states) get no tick between two of them;
    // values of one decimal none of two.
    const ValueTicks whole = RoundValueTicks(-0.5, 3.5, 20, 0);
    EXPECT_DOUBLE_EQ(whole.step, 1);
    EXPECT_EQ(whole.values, (std::vector<double>{0, 1, 2, 3}));
    EXPECT_EQ(RoundValueTicks(1.5, 2.5, 8, 0).values, std::vector<double>{2});
    const ValueTicks tenths = RoundValueTicks(0, 1, 40, 1);  // 0.05 without the cap
    EXPECT_DOUBLE_EQ(tenths.step, 0.1);
    EXPECT_EQ(tenths.decimals, 1);
    EXPECT_TRUE(RoundValueTicks(1, 1, 5).values.empty());
    EXPECT_TRUE(RoundValueTicks(0, std::nan(""), 5).values.empty());
    EXPECT_TRUE(RoundValueTicks(0, INFINITY, 5).values.empty());
}

// Between two cursors: axis distance in a span, clock time across spans.
TEST(TimeAxis, SecondsBetweenCursors) {
    AxisSpan clocked{10 * 10000, 20 * 10000, true};
    AxisSpan later{100 * 10000, 105 * 10000, true};
    const CTimeAxis axis({clocked, later});
    const double secondStart = axis.Spans()[1].start;
    EXPECT_NEAR(*axis.SecondsBetween(1, 3.5), 2.5, 1e-9);
    EXPECT_NEAR(*axis.SecondsBetween(3.5, 1), -2.5, 1e-9);
    EXPECT_NEAR(*axis.SecondsBetween(1, secondStart + 2), 91, 1e-9);
    // In the break: the first span's end.
    EXPECT_NEAR(*axis.SecondsBetween(0, (10 + secondStart) / 2), 10, 1e-9);
    EXPECT_FALSE(axis.SecondsBetween(-1, 2).has_value());
    AxisSpan counted{0, 5 * 10000, false};
    const CTimeAxis mixed({clocked, counted});
    EXPECT_FALSE(mixed.SecondsBetween(1, mixed.Spans()[1].start + 1).has_value());
    EXPECT_NEAR(*mixed.SecondsBetween(mixed.Spans()[1].start, mixed.Spans()[1].start + 1), 1, 1e-9);
}

}  // namespace

namespace {

// Every cell of the grid is one bit, and a field's outline closes around it:
// here an Intel field from byte 0 bit 6 over byte 1 bits 0 and 1.
TEST(BitGridLayout, CellsAreBitsAndOutlinesCloseAroundAField) {
    using namespace korvex::signaldb;
    for (int bit = 0; bit < 64; ++bit) {
        const BitCell c = CellOfBit(bit);
        EXPECT_EQ(BitOfCell(c.row, c.column, 8), bit);
    }
    EXPECT_EQ(BitOfCell(2, 0, 2), -1);
    EXPECT_EQ(BitOfCell(0, 8, 8), -1);
    const std::uint64_t field = 0b11'1100'0000;  // bits 6 to 9
    EXPECT_EQ(OutlineSides(field, 7), kSideTop | kSideLeft | kSideBottom);
    EXPECT_EQ(OutlineSides(field, 6), kSideTop | kSideRight | kSideBottom);
    EXPECT_EQ(OutlineSides(field, 9), kSideTop | kSideLeft | kSideBottom);
    EXPECT_EQ(OutlineSides(field, 8), kSideTop | kSideRight | kSideBottom);
    // Hotter bits are redder, and a constant bit is grey.
    EXPECT_EQ(HeatColor(0.5, true), 0xDDDDDDu);
    EXPECT_GT(HeatColor(1.0, false) >> 16, HeatColor(0.001, false) >> 16);
    EXPECT_EQ(FlipRateText(0.5, false), "50%");
    EXPECT_EQ(FlipRateText(0.004, false), "0.4%");
}

}  // namespace
