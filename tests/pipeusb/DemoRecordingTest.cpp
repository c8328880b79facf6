// The generated demo recording: the same bytes every time, and the shape a
// real day of recording has.

#include "pipeusb/sim/DemoRecording.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "pipeusb/sim/RecorderClock.h"
#include "pipeusb/sim/WireFormat.h"

namespace pipeusb {
namespace {

const std::uint8_t* Record(const RecorderMemory& m, std::size_t i) {
    return m.records.data() + i * kRecordSize;
}

TEST(DemoRecording, IsTheSameEveryTimeAndDependsOnTheSeed) {
    const RecorderImage a = GenerateDemoRecording();
    const RecorderImage b = GenerateDemoRecording();
    EXPECT_EQ(a.memory.records, b.memory.records);
    EXPECT_EQ(a.memory.clockRecords, b.memory.clockRecords);
    EXPECT_EQ(a.config, b.config);
    EXPECT_EQ(DemoRecording().memory.records, a.memory.records);
    const RecorderImage other = GenerateDemoRecording(kDemoSeed + 1);
    EXPECT_NE(other.memory.records, a.memory.records);
}

TEST(DemoRecording, SpansOpenWithClockRecordsThatTheClockListHolds) {
    const RecorderMemory& m = DemoRecording().memory;
    const std::size_t n = m.RecordCount();
    EXPECT_GE(n, 195000u);
    EXPECT_LE(n, 205000u);

    ASSERT_EQ(m.ClockCount(), 5u);
    std::vector<std::size_t> clockPositions;
    for (std::size_t i = 0; i < n; ++i)
        if (Record(m, i)[1] == kEventClock) clockPositions.push_back(i);
    ASSERT_EQ(clockPositions.size(), 5u);
    EXPECT_EQ(clockPositions[0], 0u);
    std::set<std::uint8_t> bitRates;
    for (std::size_t k = 0; k < 5; ++k) {
        const std::uint8_t* listed = m.clockRecords.data() + k * kRecordSize;
        EXPECT_EQ(std::vector<std::uint8_t>(listed, listed + kRecordSize),
                  std::vector<std::uint8_t>(Record(m, clockPositions[k]),
                                            Record(m, clockPositions[k]) + kRecordSize));
        EXPECT_LE(listed[2], 9) << "bit-rate index";
        bitRates.insert(listed[2]);
        // Its data bytes are a valid clock.
        std::uint8_t advanced[7];
        EXPECT_TRUE(AdvanceClock(listed + 8, 0, advanced));
    }
    EXPECT_GE(bitRates.size(), 3u);

    // Every ordinary frame carries the index of the clock record before it,
    // and time never runs backwards.
    std::size_t span = 0;
    std::uint32_t lastTime = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* r = Record(m, i);
        if (span + 1 < clockPositions.size() && i == clockPositions[span + 1]) ++span;
        const std::uint32_t t = LoadU32(r + 4);
        ASSERT_GE(t, lastTime) << "record " << i;
        ASSERT_NE(t, 0u);
        lastTime = t;
        if (r[1] == 0) {
            ASSERT_EQ(r[kRecordClockIndexOffset], span) << "record " << i;
        }
    }
}

TEST(DemoRecording, HoldsTheKindsOfRecordsARealBusShows) {
    const RecorderMemory& m = DemoRecording().memory;
    std::map<std::uint8_t, std::size_t> events;
    std::size_t standard = 0, extended = 0, remote = 0, transmitted = 0, received = 0;
    std::vector<std::uint8_t> alive;
    std::size_t badChecksums = 0, engineFrames = 0;
    for (std::size_t i = 0; i < m.RecordCount(); ++i) {
        const std::uint8_t* r = Record(m, i);
        if (r[1] != 0) {
            ++events[r[1]];
            continue;
        }
        const bool ext = (r[3] & 0x80) != 0;
        const std::uint32_t id = LoadU32(r + 8);
        ASSERT_EQ(r[3] & 0x30, 0);
        ASSERT_LE(r[3] & 0x0F, 8);
        ASSERT_LE(id, ext ? 0x1FFFFFFFu : 0x7FFu);
        (ext ? extended : standard)++;
        if ((r[3] & 0x40) != 0) ++remote;
        (r[2] == 0xFF ? transmitted : received)++;
        if (id == 0x2F0) alive.push_back(r[12]);
        if (id == 0x0C9) {
            ++engineFrames;
            std::uint8_t x = static_cast<std::uint8_t>(id);
            for (int k = 0; k < 7; ++k) x ^= r[12 + k];
            if (x != r[19]) ++badChecksums;
        }
    }
    EXPECT_EQ(events[0xFF], 5u);
    EXPECT_EQ(events[0xFE], 5u);
    for (std::uint8_t code = 225; code <= 230; ++code) EXPECT_GT(events[code], 0u) << int(code);
    EXPECT_GT(standard, 10000u);
    EXPECT_GT(extended, 10000u);
    EXPECT_GT(remote, 10u);
    EXPECT_GT(transmitted, 100u);
    EXPECT_GT(received, transmitted);
    // A rolling counter counts on by one, across spans too.
    ASSERT_GT(alive.size(), 1000u);
    for (std::size_t k = 1; k < alive.size(); ++k)
        ASSERT_EQ(static_cast<std::uint8_t>(alive[k - 1] + 1), alive[k]) << k;
    EXPECT_GT(engineFrames, 1000u);
    EXPECT_EQ(badChecksums, 0u);
}

}  // namespace
}  // namespace pipeusb
