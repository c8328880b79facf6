#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "app/analysis/rules/BusStatus.h"
#include "app/analysis/rules/HisCurveScale.h"
#include "core/KorvexGlobal.h"
#include "tests/support/FrameFactory.h"

namespace korvex {
namespace {

OrigTimeEntry Entry(int hour, int minute, int second, std::uint32_t stamp, std::uint8_t bitRate) {
    OrigTimeEntry entry{};
    entry.date[2] = 3;
    entry.date[3] = 14;
    entry.hour = static_cast<std::uint8_t>(hour);
    entry.minute = static_cast<std::uint8_t>(minute);
    entry.second = static_cast<std::uint8_t>(second);
    entry.timeStamp = stamp;
    entry.bitRateIndex = bitRate;
    return entry;
}

_VCI_CAN_OBJ SpanFrame(std::uint8_t clock, std::uint32_t stamp) {
    return test::MakeFrame(0x100, stamp, 0, 0, clock);
}

std::vector<int> FlowCounts(CKorvexGlobal& global) {
    std::vector<int> counts;
    _tagBusFlowRecord record{};
    for (int i = 0; global.busFlowSamples.Get(i, &record); ++i) counts.push_back(record.frameCount);
    return counts;
}

std::vector<int> Loads(CKorvexGlobal& global) {
    std::vector<int> loads;
    _tagBusLoadRecord record{};
    for (int i = 0; global.busLoadSamples.Get(i, &record); ++i) loads.push_back(record.loadPercent);
    return loads;
}

TEST(BusStatusTest, ClockTimeOfAFrame) {
    const std::vector<OrigTimeEntry> list = {Entry(1, 2, 3, 1000, 2)};
    EXPECT_EQ(FrameClockTime(SpanFrame(0, 1500), list), 37230000u + 500u);
    EXPECT_EQ(FrameClockTime(SpanFrame(kNoClockIndex, 1500), list), 0u);
    EXPECT_EQ(FrameClockTime(SpanFrame(4, 1500), list), 1500u);  // beyond the list
    // Before the reference's stamp: unsigned, as the clock time text reads it.
    EXPECT_EQ(FrameClockTime(SpanFrame(0, 999), list), 37230000u - 1u);
}

TEST(BusStatusTest, SpansAndTheirListTexts) {
    // More spans than the thirty buffers the window once had.
    std::vector<OrigTimeEntry> list;
    CCycleBuffer<_VCI_CAN_OBJ> store;
    for (int k = 0; k < 40; ++k) list.push_back(Entry(10, k, 0, 0, 3));
    for (int k = 0; k < 40; k += 2) {
        for (std::uint32_t i = 0; i < 3; ++i)
            store.Push(SpanFrame(static_cast<std::uint8_t>(k), 10000 * (i + 1) + 5));
    }
    store.Push(SpanFrame(kNoClockIndex, 1));
    store.Push(SpanFrame(200, 1));  // no such span: left out
    CBusSpans spans;
    spans.Distribute(store, list);
    ASSERT_EQ(spans.Count(), 40u);
    EXPECT_EQ(spans.ListText(0), "03/14 10:00:00--03/14 10:00:03(count:3)");
    EXPECT_EQ(spans.ListText(1), "03/14 10:01:00(No Data)");
    EXPECT_EQ(spans.ListText(38), "03/14 10:38:00--03/14 10:38:03(count:3)");
    EXPECT_EQ(spans.Minimum(38), (10 * 3600u + 38 * 60u) * 10000u);
    EXPECT_EQ(spans.Maximum(38), spans.Minimum(38) + 30005u);
    const BusSubInterval sub = SpanSubInterval(spans, 38);
    EXPECT_EQ(sub.start, "10:38:00");
    EXPECT_EQ(sub.end, "10:38:03");
    EXPECT_EQ(SpanSubInterval(spans, 1).start, "");
    EXPECT_EQ(spans.Minimum(1), 0u);
    EXPECT_EQ(spans.Maximum(1), 0u);
}

TEST(BusStatusTest, ASpanAcrossMidnightOpensWithAValidSubInterval) {
    CKorvexGlobal global;
    global.origTimeList = {Entry(23, 59, 59, 0, 2)};
    CCycleBuffer<_VCI_CAN_OBJ> store;
    store.Push(SpanFrame(0, 5000));
    store.Push(SpanFrame(0, 25000));  // 00:00:01.5 of the next day
    CBusSpans spans;
    spans.Distribute(store, global.origTimeList);
    EXPECT_EQ(spans.ListText(0), "03/14 23:59:59--03/14 00:00:01(count:2)");
    const BusSubInterval sub = SpanSubInterval(spans, 0);
    EXPECT_EQ(sub.end, "24:00:01");
    const BusStatusOutcome outcome = ComputeBusStatus(spans, 0, sub.start, sub.end, global);
    EXPECT_EQ(outcome.message, 0u);
    EXPECT_EQ(FlowCounts(global)[3], 1);  // 0.5 s in, steps of 150 ms
}

TEST(BusStatusTest, FineAdjustRule) {
    struct Case {
        bool ticked, hasFrames;
        FineAdjustState expected;
    };
    const Case cases[] = {
        {true, false, {false, false, kMsgSpanWithoutData}},
        {true, true, {true, true, 0}},
        {false, false, {false, false, 0}},
        {false, true, {false, false, 0}},
    };
    for (const Case& c : cases) {
        const FineAdjustState state = ApplyFineAdjust(c.ticked, c.hasFrames);
        EXPECT_EQ(state.ticked, c.expected.ticked);
        EXPECT_EQ(state.editsEnabled, c.expected.editsEnabled);
        EXPECT_EQ(state.message, c.expected.message);
    }
}

// One span starting 08:00:00 at bit-rate index `bitRate` with `perStep`[k]
// frames spread in step k of 100 ms over the second 08:00:00 ... 08:00:01.
struct SpanFixture {
    CKorvexGlobal global;
    CBusSpans spans;
    SpanFixture(std::uint8_t bitRate, const std::vector<int>& perStep) {
        CCycleBuffer<_VCI_CAN_OBJ> store;
        global.origTimeList = {Entry(8, 0, 0, 50000, bitRate)};
        store.Reserve(10000);
        for (std::size_t k = 0; k < perStep.size(); ++k) {
            for (int i = 0; i < perStep[k]; ++i)
                store.Push(SpanFrame(0, 50000 + static_cast<std::uint32_t>(k) * 1000 + 1 +
                                            static_cast<std::uint32_t>(i % 999)));
        }
        store.Push(SpanFrame(0, 50000 + 19999));  // the span reaches 08:00:01
        spans.Distribute(store, global.origTimeList);
    }
};

TEST(BusStatusTest, FlowOverOneSecondSteps) {
    SpanFixture fixture(2, {3, 0, 37});
    const BusStatusOutcome outcome =
        ComputeBusStatus(fixture.spans, 0, "08:00:00", "08:00:01", fixture.global);
    EXPECT_EQ(outcome.message, 0u);
    EXPECT_EQ(outcome.precision, 100);  // step 1000 ticks
    std::vector<int> expected(20, 0);
    expected[0] = 3;
    expected[2] = 37;
    expected[19] = 1;
    EXPECT_EQ(FlowCounts(fixture.global), expected);
    EXPECT_EQ(outcome.largest, 37);
    EXPECT_EQ(outcome.flowYMax, 40);
    EXPECT_EQ(outcome.averageFlow, 41 * 1000 / 2000);
    EXPECT_EQ(fixture.global.strAnalyStart, "08:00:00");
    EXPECT_EQ(fixture.global.strAnalyEnd, "08:00:01");
}

TEST(BusStatusTest, YRangeLoadAndAverages) {
    struct Case {
        std::uint8_t bitRate;
        std::vector<int> perStep;
        int yMax;
        int firstLoad;
        bool loadKnown;
    };
    const Case cases[] = {
        {2, {40}, 40, 40 * 100 / 3500, true},
        {2, {41}, 50, 1, true},
        {3, {4000}, 4000, 100, true},  // capped, not 228
        {10, {40}, 40, 0, false},      // a custom bit rate: flow only
    };
    for (const Case& c : cases) {
        SpanFixture fixture(c.bitRate, c.perStep);
        const BusStatusOutcome outcome =
            ComputeBusStatus(fixture.spans, 0, "08:00:00", "08:00:01", fixture.global);
        EXPECT_EQ(outcome.flowYMax, c.yMax);
        EXPECT_EQ(outcome.loadKnown, c.loadKnown);
        const std::vector<int> loads = Loads(fixture.global);
        if (c.loadKnown) {
            ASSERT_EQ(loads.size(), 20u);
            EXPECT_EQ(loads[0], c.firstLoad);
        } else {
            EXPECT_TRUE(loads.empty());
            EXPECT_EQ(LoadText(outcome.loadKnown, outcome.averageLoad), "-");
        }
    }
}

TEST(BusStatusTest, AverageLoadAt500Kbit) {
    // 3500 frames over two seconds: 1750 frames/s, half of 500 kbit/s.
    SpanFixture fixture(2, std::vector<int>(20, 175));
    const BusStatusOutcome outcome =
        ComputeBusStatus(fixture.spans, 0, "08:00:00", "08:00:01", fixture.global);
    EXPECT_EQ(outcome.averageFlow, 1750);
    EXPECT_EQ(outcome.averageLoad, 50);
    EXPECT_EQ(LoadText(true, outcome.averageLoad), "50%");
}

TEST(BusStatusTest, RefusedSubIntervals) {
    struct Case {
        const char* start;
        const char* end;
        std::uint32_t message;
    };
    const Case cases[] = {
        {"08:00:01", "08:00:01", kMsgRangeBreaksRules},  // start = end
        {"08:00:01", "08:00:00", kMsgRangeBreaksRules},
        {"07:59:59", "08:00:01", kMsgRangeBreaksRules},  // before the span
        {"08:00:00", "08:00:02", kMsgRangeBreaksRules},  // past the last frame
        {"08:00", "08:00:01", kMsgRangeBreaksRules},     // not a time
    };
    for (const Case& c : cases) {
        SpanFixture fixture(2, {});
        fixture.global.strAnalyStart = "kept";
        const BusStatusOutcome outcome =
            ComputeBusStatus(fixture.spans, 0, c.start, c.end, fixture.global);
        EXPECT_EQ(outcome.message, c.message) << c.start << " " << c.end;
        EXPECT_EQ(fixture.global.strAnalyStart, "kept");
        EXPECT_FALSE(outcome.computed);
    }

    // Frames before and after the sub-interval but none in it: the curves are
    // made, Y runs 0 ... 1, and the message says there is no data.
    CKorvexGlobal gap;
    gap.origTimeList = {Entry(8, 0, 0, 0, 2)};
    CCycleBuffer<_VCI_CAN_OBJ> store;
    store.Push(SpanFrame(0, 5));
    store.Push(SpanFrame(0, 50000));
    CBusSpans spans;
    spans.Distribute(store, gap.origTimeList);
    const BusStatusOutcome outcome = ComputeBusStatus(spans, 0, "08:00:02", "08:00:03", gap);
    EXPECT_EQ(outcome.message, kMsgSpanWithoutData);
    EXPECT_TRUE(outcome.computed);
    EXPECT_EQ(outcome.flowYMax, 1);
    EXPECT_EQ(FlowCounts(gap), std::vector<int>(20, 0));
    EXPECT_EQ(gap.strAnalyStart, "08:00:02");
    CKorvexGlobal global;
    CBusSpans empty;
    EXPECT_EQ(ComputeBusStatus(empty, 0, "08:00:00", "08:00:01", global).message,
              kMsgSpanWithoutData);
}

TEST(BusStatusTest, CurveZoom) {
    EXPECT_EQ(CurveZoomIn(8), 5);
    EXPECT_EQ(CurveZoomIn(40), 20);
    EXPECT_EQ(CurveZoomIn(5), 5);
    EXPECT_EQ(CurveZoomOut(5), 10);
    // Fit: the whole span in the plot, at the finest step that shows it.
    EXPECT_EQ(CurveFit(0, 1, 400), 5);
    EXPECT_EQ(CurveFit(10, 40, 400), 5);
    // 200 records a second apart, two pixels each, in 400 pixels.
    EXPECT_EQ(CurveFit(199000, 2, 400), 995);
    EXPECT_LE(2 * 199000 / CurveFit(199000, 2, 400), 400);
    EXPECT_EQ(CurveFit(1e12, 1, 1), std::numeric_limits<int>::max());
}

}  // namespace
}  // namespace korvex

namespace korvex {
namespace {

// The flow of a span as one plain pass reads the rule: the span's frames in
// order, those before the start skipped until the first that is not, then
// for each step the following frames while their clock time is within it.
std::vector<std::pair<int, std::uint32_t>> OnePassFlow(const std::vector<_VCI_CAN_OBJ>& frames,
                                                       const std::vector<OrigTimeEntry>& list,
                                                       std::uint8_t k, std::int64_t from,
                                                       std::int64_t to) {
    std::vector<const _VCI_CAN_OBJ*> span;
    for (const _VCI_CAN_OBJ& f : frames)
        if (ClockIndex(f) == k) span.push_back(&f);
    const std::int64_t length = to + 10000 - from;
    const std::int64_t step = std::max<std::int64_t>(length / 20, 10);
    std::size_t i = 0;
    while (i < span.size() && FrameClockTime(*span[i], list) < from) ++i;
    std::vector<std::pair<int, std::uint32_t>> flow;
    const std::uint32_t minimum =
        (list[k].hour * 3600u + list[k].minute * 60u + list[k].second) * 10000u;
    for (int s = 0; s < 20; ++s) {
        const std::int64_t lo = from + s * step;
        const std::int64_t hi = lo + step;
        std::pair<int, std::uint32_t> record{
            0, list[k].timeStamp + static_cast<std::uint32_t>(lo - minimum)};
        if (i < span.size() && FrameClockTime(*span[i], list) <= hi)
            record.second = span[i]->TimeStamp;
        while (i < span.size() && FrameClockTime(*span[i], list) <= hi) {
            ++record.first;
            ++i;
        }
        flow.push_back(record);
    }
    return flow;
}

// Frames of three spans whose clock times mostly rise but jump back and ahead
// now and then, over sub-intervals of every length: the flow split over
// threads in small blocks is the plain pass's, record for record.
TEST(BusStatusTest, SplitFlowEqualsOnePassOverDisorderedTimes) {
    std::mt19937 random(5);
    const std::vector<OrigTimeEntry> list = {Entry(8, 0, 0, 1000, 2), Entry(9, 0, 0, 0, 3),
                                             Entry(10, 0, 0, 500, 9)};
    int compared = 0;
    for (int round = 0; round < 12; ++round) {
        std::vector<_VCI_CAN_OBJ> frames;
        std::uint32_t stamps[3] = {1000, 0, 500};
        // Every third round has dense spans one after the other, as most
        // recordings: long runs of frames within one slot.
        const bool dense = round % 3 == 2;
        for (int i = 0; i < 6000; ++i) {
            const auto k = static_cast<std::uint8_t>(dense               ? i / 2000
                                                     : random() % 4 == 0 ? random() % 3
                                                                         : 0);
            std::uint32_t& stamp = stamps[k];
            const std::uint32_t jump = random() % 50 == 0 ? 200000 : random() % (dense ? 4 : 40);
            stamp = random() % 30 == 0 && stamp > 300000 ? stamp - random() % 300000 : stamp + jump;
            frames.push_back(SpanFrame(random() % 97 == 0 ? kNoClockIndex : k, stamp));
        }
        CCycleBuffer<_VCI_CAN_OBJ> store;
        store.Reset(static_cast<int>(frames.size()));
        store.PushRun(frames.data(), static_cast<int>(frames.size()));
        for (std::uint8_t k = 0; k < 3; ++k) {
            CKorvexGlobal global;
            global.origTimeList = list;
            CBusSpans spans;
            PassSplit split;
            split.threads = 3;
            split.blockItems = 1 + random() % 300;
            spans.Distribute(store, list, split);
            long long count = 0;
            std::uint32_t last = 0;
            for (const _VCI_CAN_OBJ& f : frames) {
                if (ClockIndex(f) != k) continue;
                ++count;
                last = FrameClockTime(f, list);
            }
            EXPECT_EQ(spans.FrameCount(k), count);
            if (spans.FrameCount(k) == 0) continue;
            EXPECT_EQ(spans.Maximum(k), last);
            const std::uint32_t min = spans.Minimum(k);
            const std::uint32_t max = spans.Maximum(k);
            const std::int64_t from = min + (max - min) / 10000 * (random() % 5000);
            const std::int64_t to = std::max<std::int64_t>(from + 10000, max - random() % 20000);
            if (to > max) continue;
            const std::string start = SubIntervalText(static_cast<std::uint32_t>(from));
            const std::string end = SubIntervalText(static_cast<std::uint32_t>(to));
            std::int64_t fromRead = 0;
            std::int64_t toRead = 0;
            ASSERT_TRUE(ParseClockTimeText(start, fromRead));
            ASSERT_TRUE(ParseClockTimeText(end, toRead));
            if (fromRead < min || fromRead >= toRead) continue;
            const auto expected = OnePassFlow(frames, list, k, fromRead, toRead);
            // Counted in a pass of its own, and in the pass that distributes
            // the spans, from that start or (named by no text) the span's own.
            CBusSpans withFlow;
            const BusFlowAhead ahead{k, fromRead == min && round % 2 == 0 ? "" : start};
            withFlow.Distribute(store, list, split, &ahead);
            ASSERT_NE(withFlow.FlowAhead(k, fromRead), nullptr);
            for (const CBusSpans* counted : {&spans, &withFlow}) {
                const BusStatusOutcome outcome =
                    ComputeBusStatus(*counted, k, start, end, global, split);
                ASSERT_TRUE(outcome.computed) << outcome.message;
                ++compared;
                _tagBusFlowRecord record{};
                for (int s = 0; s < 20; ++s) {
                    ASSERT_TRUE(global.busFlowSamples.Get(s, &record));
                    EXPECT_EQ(record.frameCount, expected[static_cast<std::size_t>(s)].first)
                        << round << " " << int{k} << " " << s;
                    EXPECT_EQ(record.startTimeStamp, expected[static_cast<std::size_t>(s)].second)
                        << round << " " << int{k} << " " << s;
                }
            }
        }
    }
    EXPECT_GT(compared, 40);
}

}  // namespace
}  // namespace korvex
