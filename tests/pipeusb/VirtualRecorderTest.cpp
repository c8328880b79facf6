// The virtual recorder as the device link library sees it: hand-built packets
// through the seven PipeUsb operations, replies compared byte for byte.

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "pipeusb/include/pipeusb_sim.h"
#include "tests/pipeusb/PipeUsbTestSupport.h"

namespace pipeusb::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::atomic<std::uint64_t> g_nowMs{1000};
std::uint64_t FakeNow(void*) {
    return g_nowMs.load();
}

Bytes BaseInfo(std::uint8_t century, std::uint8_t year, std::uint8_t month, std::uint8_t day,
               std::uint8_t hour, std::uint8_t minute, std::uint8_t second) {
    Bytes b = {0x23, 0x00, 0x16, 0x00, 1, 0, 0, 0, 0x23, 0x00, 0x16, 0x00,
               0x64, 0,    0,    0,    0, 0, 0, 0, 1,    0,    1};
    for (std::uint8_t v : {century, year, month, day, hour, minute, second}) b.push_back(v);
    return b;
}

Bytes Slice(const Bytes& b, std::size_t from, std::size_t n) {
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from),
                 b.begin() + static_cast<std::ptrdiff_t>(from + n));
}

class VirtualRecorderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_nowMs = 1000;
        PipeUsbSim_SetClock(&FakeNow, nullptr);
    }
    void TearDown() override { PipeUsbSim_SetClock(nullptr, nullptr); }

    // Attaches one recorder holding `records` and `clocks` (via an image file)
    // and opens it.
    void OpenRecording(const Bytes& clocks, const Bytes& records) {
        ImageParts parts;
        parts.clockCount = static_cast<std::uint32_t>(clocks.size() / 24);
        parts.clocks = clocks;
        parts.recordCount = static_cast<std::uint32_t>(records.size() / 24);
        parts.records = records;
        WriteFile(dir_.File("rec.img"), parts.Bytes());
        ASSERT_EQ(PipeUsbSim_Configure(dir_.File("rec.img").c_str()), 1u);
        ASSERT_TRUE(s_.Open());
    }
    void OpenEmpty() {
        ASSERT_EQ(PipeUsbSim_Configure("empty"), 1u);
        ASSERT_TRUE(s_.Open());
    }

    TempFolder dir_;
    CSimSession s_;
};

TEST_F(VirtualRecorderTest, BaseConfigurationWriteIsReadBackByteForByte) {
    OpenEmpty();
    const Bytes factory = {0x08, 0x00, 0x1C, 0x00, 0,  0, 0, 0, 0x08, 0x00,
                           0x1C, 0x00, 0xE8, 0x03, 0,  0, 1, 0, 0,    0,
                           0,    1,    0,    20,   20, 1, 1, 0, 0,    0};
    EXPECT_EQ(s_.Command(0x14, {0}).bytes, CommandReply(0x14, 0x00, factory));

    const Bytes written = BaseInfo(20, 26, 3, 9, 7, 42, 10);
    const Reply w = s_.Command(0x11, written);
    EXPECT_EQ(w.result, 1u);
    EXPECT_EQ(w.sent, 64u);
    EXPECT_EQ(w.bytes, CommandReply(0x11, 0x00));
    const Reply r = s_.Command(0x14, {0});
    EXPECT_EQ(r.result, 1u);
    EXPECT_EQ(r.received, 64u);
    EXPECT_EQ(r.bytes, CommandReply(0x14, 0x00, written));
}

TEST_F(VirtualRecorderTest, ClockRunsOnceSetAcrossMonthLeapDayAndYearEnds) {
    OpenEmpty();
    // Never set: time passes, the clock stands.
    g_nowMs += 5000;
    EXPECT_EQ(Slice(s_.Command(0x14, {0}).bytes, 4 + 23, 7), (Bytes{20, 20, 1, 1, 0, 0, 0}));

    struct Case {
        Bytes set;
        std::uint64_t elapsedMs;
        Bytes shown;
    } cases[] = {
        {{20, 24, 2, 28, 23, 59, 59}, 1999, {20, 24, 2, 29, 0, 0, 0}},  // leap day
        {{20, 23, 2, 28, 23, 59, 59}, 1000, {20, 23, 3, 1, 0, 0, 0}},   // no leap day
        {{20, 99, 12, 31, 23, 59, 58}, 2500, {21, 0, 1, 1, 0, 0, 0}},   // century
        {{21, 0, 2, 28, 12, 0, 0}, 86400000, {21, 0, 3, 1, 12, 0, 0}},  // 2100: no leap
        {{20, 26, 3, 9, 7, 42, 10}, 999, {20, 26, 3, 9, 7, 42, 10}},    // under a second
        {{20, 26, 4, 30, 23, 0, 0}, 3600000, {20, 26, 5, 1, 0, 0, 0}},  // 30-day month
        {{20, 26, 13, 1, 0, 0, 0}, 7000, {20, 26, 13, 1, 0, 0, 0}},     // invalid: stands
        {{20, 26, 2, 30, 0, 0, 0}, 7000, {20, 26, 2, 30, 0, 0, 0}},     // invalid: stands
    };
    for (const Case& c : cases) {
        Bytes base = BaseInfo(c.set[0], c.set[1], c.set[2], c.set[3], c.set[4], c.set[5], c.set[6]);
        ASSERT_EQ(s_.Command(0x11, base).result, 1u);
        g_nowMs += c.elapsedMs;
        const Reply r = s_.Command(0x14, {0});
        EXPECT_EQ(Slice(r.bytes, 4 + 23, 7), c.shown) << int(c.set[1]) << "-" << int(c.set[2]);
        EXPECT_EQ(Slice(r.bytes, 4, 23), Slice(base, 0, 23));
    }
}

TEST_F(VirtualRecorderTest, PresetFramesTravelInPairs) {
    OpenEmpty();
    Bytes all;
    for (std::uint8_t k : {0, 2, 4}) {
        Bytes payload = {k};
        const Bytes pair = TestRecords(k, 2);
        payload.insert(payload.end(), pair.begin(), pair.end());
        EXPECT_EQ(s_.Command(0x12, payload).bytes, CommandReply(0x12, 0x00));
        all.insert(all.end(), pair.begin(), pair.end());
    }
    for (std::uint8_t k : {4, 0, 2})
        EXPECT_EQ(s_.Command(0x15, {k}).bytes, CommandReply(0x15, 0x00, Slice(all, k * 24u, 48)));
    // Only pairs start at 0, 2 and 4.
    for (std::uint8_t k : {1, 3, 5, 6, 0xFF}) {
        EXPECT_EQ(s_.Command(0x15, {k}).bytes, CommandReply(0x15, 0x85));
        Bytes payload(49, 0xAA);
        payload[0] = k;
        EXPECT_EQ(s_.Command(0x12, payload).bytes, CommandReply(0x12, 0x85));
    }
    EXPECT_EQ(s_.Command(0x15, {2}).bytes, CommandReply(0x15, 0x00, Slice(all, 48, 48)));
}

TEST_F(VirtualRecorderTest, FilterHeaderAndTableAreWrittenTogetherAndReadBack) {
    OpenEmpty();
    Bytes header = {0x00};
    for (std::uint32_t v : {0u, 4u, 12u, 16u, 24u}) {
        const Bytes b = U32(v);
        header.insert(header.end(), b.begin(), b.end());
    }
    header.push_back(0x01);
    Bytes table(2048, 0);
    for (std::size_t i = 0; i < 24; ++i) table[i] = static_cast<std::uint8_t>(0xA0 + i);
    Bytes tablePayload = {0xFF};
    tablePayload.insert(tablePayload.end(), table.begin(), table.end());
    tablePayload.push_back(0);  // checksum position

    // A table with no header before it is out of sequence.
    EXPECT_EQ(s_.Command(BulkPacket(0x13, tablePayload)).bytes, CommandReply(0x13, 0x86));
    EXPECT_EQ(s_.Command(0x13, header).bytes, CommandReply(0x13, 0x00));
    // Until the table arrives the old filter stands.
    EXPECT_EQ(s_.Command(0x16, {0}).bytes, CommandReply(0x16, 0x00, Bytes(21, 0)));
    const Bytes longPacket = BulkPacket(0x13, tablePayload);
    ASSERT_EQ(longPacket.size(), 2058u);
    const Reply w = s_.Command(longPacket);
    EXPECT_EQ(w.sent, 2058u);
    EXPECT_EQ(w.bytes, CommandReply(0x13, 0x00));

    const Reply h = s_.Command(0x16, {0});
    EXPECT_EQ(h.bytes, CommandReply(0x16, 0x00, Slice(header, 1, 21)));
    // The four section starts the host reads sit at reply bytes 8-23.
    EXPECT_EQ(LoadLe32(&h.bytes[8]), 4u);
    EXPECT_EQ(LoadLe32(&h.bytes[12]), 12u);
    EXPECT_EQ(LoadLe32(&h.bytes[16]), 16u);
    EXPECT_EQ(LoadLe32(&h.bytes[20]), 24u);
    EXPECT_EQ(s_.Bulk(0x16, {1}).bytes, BulkReply(0x16, 0x00, table));

    // Section starts that go backwards or past the table are refused.
    Bytes bad = header;
    bad[5] = 8;  // standard group starts at 8 ...
    bad[9] = 2;  // ... and extended explicit at 2
    EXPECT_EQ(s_.Command(0x13, bad).bytes, CommandReply(0x13, 0x85));
    bad = header;
    bad[17] = 0x01;
    bad[18] = 0x08;  // end of table 2049
    EXPECT_EQ(s_.Command(0x13, bad).bytes, CommandReply(0x13, 0x85));
    bad = header;
    bad[0] = 0x01;  // not the header phase
    EXPECT_EQ(s_.Command(0x13, bad).bytes, CommandReply(0x13, 0x85));
}

TEST_F(VirtualRecorderTest, DamagedLongPacketsAreRefusedAndLeaveTheFilter) {
    OpenEmpty();
    Bytes header(22, 0);
    header[17] = 8;  // end of table 8
    header[21] = 1;
    Bytes tablePayload(2050, 0x5A);
    tablePayload[0] = 0xFF;
    tablePayload[2049] = 0;
    ASSERT_EQ(s_.Command(0x13, header).result, 1u);

    Bytes p = BulkPacket(0x13, tablePayload);
    p[100] ^= 0x01;
    EXPECT_EQ(s_.Command(p).bytes, CommandReply(0x13, 0x81));
    p = BulkPacket(0x13, tablePayload);
    p[2055] = 0x09;  // length trailer 2306
    EXPECT_EQ(s_.Command(p).bytes, CommandReply(0x13, 0x82));
    p = BulkPacket(0x13, tablePayload);
    p[3] = 0x00;
    EXPECT_EQ(s_.Command(p).bytes, CommandReply(0x13, 0x82));
    tablePayload[0] = 0x00;  // not the table phase
    EXPECT_EQ(s_.Command(BulkPacket(0x13, tablePayload)).bytes, CommandReply(0x13, 0x85));
    tablePayload[0] = 0xFF;
    EXPECT_EQ(s_.Command(BulkPacket(0x12, tablePayload)).bytes, CommandReply(0x12, 0x83));

    EXPECT_EQ(s_.Command(0x16, {0}).bytes, CommandReply(0x16, 0x00, Bytes(21, 0)));
    EXPECT_EQ(s_.Bulk(0x16, {1}).bytes, BulkReply(0x16, 0x00));
    // The header still waits for a good table.
    EXPECT_EQ(s_.Command(BulkPacket(0x13, tablePayload)).bytes, CommandReply(0x13, 0x00));
    EXPECT_EQ(s_.Command(0x16, {0}).bytes, CommandReply(0x16, 0x00, Slice(header, 1, 21)));
}

TEST_F(VirtualRecorderTest, MalformedPacketsAreRefusedWithStatusBit7) {
    OpenEmpty();
    Bytes p = CommandPacket(0x14, {0});
    p[5] ^= 0xFF;  // checksum
    EXPECT_EQ(s_.Command(p).bytes, CommandReply(0x14, 0x81));
    p = CommandPacket(0x14, {0});
    p[0] = 0x7F;  // start byte
    EXPECT_EQ(s_.Command(p).bytes, CommandReply(0x14, 0x82));
    p = CommandPacket(0x14, {0});
    p[2] = 60;  // beyond the 59 bytes a packet can carry
    EXPECT_EQ(s_.Command(p).bytes, CommandReply(0x14, 0x82));
    p = CommandPacket(0x14, {0});
    p.pop_back();  // 63 bytes
    EXPECT_EQ(s_.Command(p).bytes, CommandReply(0x14, 0x82));
    EXPECT_EQ(s_.Command(0x20, {0}).bytes, CommandReply(0x20, 0x83));
    EXPECT_EQ(s_.Command(0x10, {0}).bytes, CommandReply(0x10, 0x83));
    EXPECT_EQ(s_.Command(0x1A, {0}).bytes, CommandReply(0x1A, 0x83));  // bulk-only request
    EXPECT_EQ(s_.Command(0x14, {0, 0}).bytes, CommandReply(0x14, 0x84));
    EXPECT_EQ(s_.Command(0x11, Bytes(29, 0)).bytes, CommandReply(0x11, 0x84));
    EXPECT_EQ(s_.Command(Bytes{}).bytes, CommandReply(0x00, 0x82));
    // A bulk packet on the command channel, a command packet on the bulk one.
    EXPECT_EQ(s_.Command(BulkPacket(0x14, {0})).bytes, CommandReply(0x14, 0x82));
    EXPECT_EQ(s_.Bulk(CommandPacket(0x1A, {0})).bytes, BulkReply(0x1A, 0x82));

    p = BulkPacket(0x1A, {0});
    p[5] ^= 0x10;
    EXPECT_EQ(s_.Bulk(p).bytes, BulkReply(0x1A, 0x81));
    EXPECT_EQ(s_.Bulk(0x11, Bytes(30, 0)).bytes, BulkReply(0x11, 0x83));
    EXPECT_EQ(s_.Bulk(0x17, {1, 0, 0}).bytes, BulkReply(0x17, 0x84));
    // Refusals changed nothing.
    EXPECT_EQ(s_.Command(0x14, {0}).bytes[2], 0x00);
}

TEST_F(VirtualRecorderTest, UploadCountsAndNumbersBlocksFromOne) {
    const Bytes records = TestRecords(0, 801);
    OpenRecording({}, records);
    EXPECT_EQ(s_.Command(0x17, U32(0)).bytes, CommandReply(0x17, 0x00, U32(801)));
    EXPECT_EQ(s_.Bulk(0x17, U32(1)).bytes, BulkReply(0x17, 0x00, Slice(records, 0, 9600)));
    EXPECT_EQ(s_.Bulk(0x17, U32(2)).bytes, BulkReply(0x17, 0x00, Slice(records, 9600, 9600)));
    // The last block holds one record; the rest of it is zero.
    EXPECT_EQ(s_.Bulk(0x17, U32(3)).bytes, BulkReply(0x17, 0x00, Slice(records, 19200, 24)));
    EXPECT_EQ(s_.Bulk(0x17, U32(4)).bytes, BulkReply(0x17, 0x00));
    EXPECT_EQ(s_.Bulk(0x17, U32(0xFFFFFFFF)).bytes, BulkReply(0x17, 0x00));
    EXPECT_EQ(s_.Bulk(0x17, U32(0)).bytes, BulkReply(0x17, 0x85));
    // Blocks can be asked for again, in any order.
    EXPECT_EQ(s_.Bulk(0x17, U32(2)).bytes, BulkReply(0x17, 0x00, Slice(records, 9600, 9600)));
}

TEST_F(VirtualRecorderTest, ClockListHoldsAtMost255Records) {
    const Bytes clocks = TestRecords(0, 300, 0xFF);
    OpenRecording(clocks, TestRecords(0, 3));
    Bytes payload = {255};
    payload.insert(payload.end(), clocks.begin(), clocks.begin() + 255 * 24);
    EXPECT_EQ(s_.Bulk(0x1A, {0}).bytes, BulkReply(0x1A, 0x00, payload));
    s_.Close();

    const Bytes three = TestRecords(10, 3, 0xFF);
    OpenRecording(three, {});
    payload = {3};
    payload.insert(payload.end(), three.begin(), three.end());
    EXPECT_EQ(s_.Bulk(0x1A, {0}).bytes, BulkReply(0x1A, 0x00, payload));
    EXPECT_EQ(s_.Command(0x17, U32(0)).bytes, CommandReply(0x17, 0x00, U32(0)));
}

TEST_F(VirtualRecorderTest, ClearEmptiesMemoryAndFactoryDefaultKeepsTheClock) {
    OpenRecording(TestRecords(0, 2, 0xFF), TestRecords(0, 450));
    ASSERT_EQ(s_.Command(0x11, BaseInfo(20, 26, 5, 1, 8, 0, 0)).result, 1u);
    Bytes presets = {2};
    const Bytes pair = TestRecords(5, 2);
    presets.insert(presets.end(), pair.begin(), pair.end());
    ASSERT_EQ(s_.Command(0x12, presets).result, 1u);

    EXPECT_EQ(s_.Command(0x18, {0}).bytes, CommandReply(0x18, 0x00));
    EXPECT_EQ(s_.Command(0x17, U32(0)).bytes, CommandReply(0x17, 0x00, U32(0)));
    EXPECT_EQ(s_.Bulk(0x17, U32(1)).bytes, BulkReply(0x17, 0x00));
    EXPECT_EQ(s_.Bulk(0x1A, {0}).bytes, BulkReply(0x1A, 0x00, {0}));
    // Configuration survives the clear.
    EXPECT_EQ(s_.Command(0x15, {2}).bytes, CommandReply(0x15, 0x00, pair));

    g_nowMs += 61000;
    EXPECT_EQ(s_.Command(0x19, {0}).bytes, CommandReply(0x19, 0x00));
    const Bytes factory = {0x08, 0x00, 0x1C, 0x00, 0,  0, 0, 0, 0x08, 0x00,
                           0x1C, 0x00, 0xE8, 0x03, 0,  0, 1, 0, 0,    0,
                           0,    1,    0,    20,   26, 5, 1, 8, 1,    1};
    EXPECT_EQ(s_.Command(0x14, {0}).bytes, CommandReply(0x14, 0x00, factory));
    EXPECT_EQ(s_.Command(0x15, {2}).bytes, CommandReply(0x15, 0x00, Bytes(48, 0)));
    EXPECT_EQ(s_.Command(0x16, {0}).bytes, CommandReply(0x16, 0x00, Bytes(21, 0)));
}

TEST_F(VirtualRecorderTest, RepliesOnlyReachTheirOwnPipeAndFitTheirBuffer) {
    OpenEmpty();
    // A command answered on the command IN pipe; reading the bulk IN pipe sees nothing.
    Reply r = s_.Exchange(s_.BulkIn(), 9605, s_.CommandOut(), CommandPacket(0x14, {0}));
    EXPECT_EQ(r.result, 0u);
    EXPECT_EQ(r.received, 0u);
    EXPECT_EQ(r.sent, 64u);
    // A read buffer too small for the reply gets its first bytes and fails.
    r = s_.Exchange(s_.CommandIn(), 10, s_.CommandOut(), CommandPacket(0x14, {0}));
    EXPECT_EQ(r.result, 0u);
    EXPECT_EQ(r.received, 10u);
    EXPECT_EQ(r.bytes, (Bytes{0x7E, 0x14, 0x00, 30, 0x08, 0x00, 0x1C, 0x00, 0x00, 0x00}));
    // A larger buffer takes the whole 64-byte reply.
    r = s_.Exchange(s_.CommandIn(), 200, s_.CommandOut(), CommandPacket(0x17, U32(0)));
    EXPECT_EQ(r.result, 1u);
    EXPECT_EQ(r.received, 64u);
    // Reads and writes on pipes of the wrong direction, or that carry no
    // traffic, transfer nothing.
    r = s_.Exchange(s_.CommandOut(), 64, s_.CommandIn(), CommandPacket(0x14, {0}));
    EXPECT_EQ(r.result, 0u);
    EXPECT_EQ(r.sent, 0u);
    r = s_.Exchange(s_.CommandIn(), 64, 0xDEADBEEF, CommandPacket(0x14, {0}));
    EXPECT_EQ(r.result, 0u);
    EXPECT_EQ(r.sent, 0u);
}

}  // namespace
}  // namespace pipeusb::test
