#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>

#include "logport/RecordCodec.h"
#include "tests/support/RecorderImageWriter.h"

namespace logport {
namespace {

using korvex::test::ClockRecord;
using korvex::test::EventRecord;
using korvex::test::OrdinaryRecord;

_VCI_CAN_OBJ Convert(const korvex::test::RecorderRecord& r) {
    return RecordToFrame(std::span<const std::uint8_t, kRecordSize>(r));
}

TEST(RecordCodec, OrdinaryRecordKeepsIdDataDirectionAndClockIndex) {
    const auto r = OrdinaryRecord(0x123, 0x01020304, 0x05, 0xFF, 5, 0x40);
    const _VCI_CAN_OBJ f = Convert(r);
    EXPECT_EQ(f.ID, 0x123u);
    EXPECT_EQ(f.TimeStamp, 0x01020304u);
    EXPECT_EQ(f.TimeFlag, 1);
    EXPECT_EQ(f.SendType, 0xFF);
    EXPECT_EQ(f.RemoteFlag, 0);
    EXPECT_EQ(f.ExternFlag, 0);
    EXPECT_EQ(f.DataLen, 5);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(f.Data[i], 0x40 + i);
    EXPECT_EQ(f.Reserved[0], 0);
    EXPECT_EQ(f.Reserved[1], 5);
    EXPECT_EQ(f.Reserved[2], 0);
}

TEST(RecordCodec, EventRecordTakesDataFromByte8AndDropsTheId) {
    const _VCI_CAN_OBJ f = Convert(EventRecord(0xFE, 0x03, 77, 0x10));
    EXPECT_EQ(f.ID, 0u);
    EXPECT_EQ(f.SendType, 0);
    EXPECT_EQ(f.Reserved[0], 0xFE);
    EXPECT_EQ(f.Reserved[1], 0);
    EXPECT_EQ(f.Reserved[2], 3);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(f.Data[i], 0x10 + i) << "bytes 16-19 are noise";
    EXPECT_EQ(f.TimeStamp, 77u);
}

TEST(RecordCodec, ClockRecordCarriesTheClockInItsData) {
    const _VCI_CAN_OBJ f = Convert(ClockRecord({20, 26, 12, 6, 11, 30, 59}, 1234));
    EXPECT_EQ(f.Reserved[0], 0xFF);
    const std::uint8_t clock[7] = {20, 26, 12, 6, 11, 30, 59};
    EXPECT_EQ(std::memcmp(f.Data, clock, 7), 0);
    EXPECT_EQ(f.TimeStamp, 1234u);
}

TEST(RecordCodec, FlagsByteAndZeroTimeStamp) {
    const _VCI_CAN_OBJ remoteExt = Convert(OrdinaryRecord(0x1ABCDEF0, 0, 0xC8, 0, 0, 0));
    EXPECT_EQ(remoteExt.ExternFlag, 1);
    EXPECT_EQ(remoteExt.RemoteFlag, 1);
    EXPECT_EQ(remoteExt.DataLen, 8);
    EXPECT_EQ(remoteExt.TimeFlag, 0);
    EXPECT_EQ(remoteExt.ID, 0x1ABCDEF0u);

    // Bits 0-3 are taken as they stand, even past 8.
    EXPECT_EQ(Convert(OrdinaryRecord(1, 1, 0x3F, 0, 0, 0)).DataLen, 15);
}

TEST(RecordCodec, PresetRecordIsByteExactWithChecksumAfterTheData) {
    _VCI_CAN_OBJ f{};
    f.ID = 0x18FF1234;
    f.TimeStamp = 0x0A0B0C0D;
    f.SendType = 2;
    f.ExternFlag = 1;
    f.RemoteFlag = 0;
    f.DataLen = 3;
    for (int i = 0; i < 8; ++i) f.Data[i] = static_cast<std::uint8_t>(0xD0 + i);
    const Record r = FrameToRecord(f);
    const Record expected = {0x0F, 0x00, 0x02, 0x83, 0x0D, 0x0C, 0x0B, 0x0A,
                             0x34, 0x12, 0xFF, 0x18, 0xD0, 0xD1, 0xD2, 0x00,
                             0xD4, 0xD5, 0xD6, 0xD7, 0x00, 0x00, 0x00, 0x00};
    Record withSum = expected;
    std::uint8_t x = 0;
    for (int i = 0; i < 15; ++i) x ^= expected[i];
    withSum[15] = x;
    EXPECT_EQ(r, withSum);
}

TEST(RecordCodec, PresetChecksumStaysInsideTheRecord) {
    _VCI_CAN_OBJ f{};
    f.DataLen = 8;
    f.RemoteFlag = 3;  // only bit 0 counts
    std::memset(f.Data, 0x11, 8);
    Record r = FrameToRecord(f);
    EXPECT_EQ(r[3], 0x48);
    std::uint8_t x = 0;
    for (int i = 0; i < 20; ++i) x ^= r[i];
    EXPECT_EQ(r[20], x);

    // A length beyond 8 is held to 8 rather than writing past the record.
    f.DataLen = 15;
    r = FrameToRecord(f);
    EXPECT_EQ(r[3] & 0x0F, 8);
    EXPECT_EQ(r[20], x);
    EXPECT_EQ(r[21] | r[22] | r[23], 0);
}

TEST(RecordCodec, PresetRecordsReadBackAsTheFrame) {
    _VCI_CAN_OBJ f{};
    f.ID = 0x7FF;
    f.TimeStamp = 99;
    f.SendType = 1;
    f.DataLen = 8;
    for (int i = 0; i < 8; ++i) f.Data[i] = static_cast<std::uint8_t>(i * 3);
    const Record r = FrameToRecord(f);
    const _VCI_CAN_OBJ back = RecordToFrame(std::span<const std::uint8_t, kRecordSize>(r));
    f.TimeFlag = 1;
    EXPECT_EQ(std::memcmp(&back, &f, sizeof f), 0);
}

}  // namespace
}  // namespace logport
