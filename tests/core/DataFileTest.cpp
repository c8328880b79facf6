#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/DataFileReader.h"
#include "core/DataFileWriter.h"
#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"
#include "core/RealTimeSaveFile.h"
#include "tests/support/FrameFactory.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::DataFileStatus;
using korvex::test::FrameFromCounter;
using korvex::test::kSignatureBlock;
using korvex::test::MakeFrame;
using korvex::test::ReadBytes;
using korvex::test::RecordingSink;
using korvex::test::TempFolder;
using korvex::test::WriteBytes;

OrigTimeEntry Clock(std::uint8_t hour, std::uint32_t timeStamp, std::uint8_t rate) {
    OrigTimeEntry e{};
    e.date[0] = 20;
    e.date[1] = 26;
    e.date[2] = 12;
    e.date[3] = 7;
    e.hour = hour;
    e.minute = 30;
    e.second = 15;
    e.timeStamp = timeStamp;
    e.bitRateIndex = rate;
    return e;
}

std::string Bytes(const void* p, std::size_t n) {
    return {static_cast<const char*>(p), n};
}

std::string U32(std::uint32_t v) {
    return Bytes(&v, 4);
}

std::string SnapshotBytes(const std::vector<OrigTimeEntry>& clocks,
                          const std::vector<_VCI_CAN_OBJ>& frames) {
    std::string s = kSignatureBlock + U32(static_cast<std::uint32_t>(clocks.size()));
    for (const OrigTimeEntry& e : clocks) s += Bytes(&e, sizeof e);
    for (const _VCI_CAN_OBJ& f : frames) s += Bytes(&f, sizeof f);
    return s;
}

std::vector<_VCI_CAN_OBJ> StoredFrames(CFrameStoreSink& sink) {
    std::vector<_VCI_CAN_OBJ> out(static_cast<std::size_t>(sink.frameStore.GetCount()));
    for (std::size_t i = 0; i < out.size(); ++i) sink.frameStore.Get(static_cast<int>(i), &out[i]);
    return out;
}

bool SameFrames(const std::vector<_VCI_CAN_OBJ>& a, const std::vector<_VCI_CAN_OBJ>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0;
}

// A store holding `frames`, as a load would leave it.
void Fill(CFrameStoreSink& sink, const std::vector<_VCI_CAN_OBJ>& frames) {
    sink.SetCapacity(static_cast<int>(frames.size()));
    for (_VCI_CAN_OBJ f : frames) sink.AddFrames(&f, 1, 1);
}

TEST(DataFileWriter, FileSizesFollowTheLayout) {
    TempFolder dir;
    CFrameStoreSink sink;
    EXPECT_TRUE(korvex::WriteSnapshotFile(dir / "empty.can", {}, sink.frameStore));
    EXPECT_EQ(ReadBytes(dir / "empty.can"), kSignatureBlock + U32(0));  // 24 bytes

    const std::vector<OrigTimeEntry> clocks{Clock(8, 100, 2), Clock(9, 5000, 3)};
    const std::vector<_VCI_CAN_OBJ> frames{FrameFromCounter(1), FrameFromCounter(0x1FF),
                                           FrameFromCounter(0xABCDEF)};
    Fill(sink, frames);
    ASSERT_TRUE(korvex::WriteSnapshotFile(dir / "two.can", clocks, sink.frameStore));
    const std::string bytes = ReadBytes(dir / "two.can");
    EXPECT_EQ(bytes.size(), 120u);
    EXPECT_EQ(bytes, SnapshotBytes(clocks, frames));

    CRealTimeSaveFile stream;
    ASSERT_TRUE(stream.Open(dir / "stream.can", {"ignored"}));
    for (const _VCI_CAN_OBJ& f : frames) stream.WriteRun(&f, 1, {});
    stream.Close();
    const std::string streamBytes = ReadBytes(dir / "stream.can");
    EXPECT_EQ(streamBytes.size(), 92u);
    EXPECT_EQ(streamBytes, kSignatureBlock + Bytes(frames.data(), 72));

    // The document open reads the stream back as the same three frames.
    CKorvexGlobal global;
    CFrameStoreSink opened;
    global.frameSinks[0] = {&opened};
    std::string status;
    EXPECT_EQ(korvex::ReadStreamFile(dir / "stream.can", global,
                                     [&](const std::string& t) { status = t; }),
              DataFileStatus::kOk);
    EXPECT_TRUE(SameFrames(StoredFrames(opened), frames));
    EXPECT_EQ(status, "总帧数 ：3");
}

TEST(DataFileWriter, SnapshotOfAWrappedStoreIsOldestFirst) {
    TempFolder dir;
    CFrameStoreSink sink;
    sink.SetCapacity(3);
    for (std::uint32_t n = 1; n <= 5; ++n) {
        _VCI_CAN_OBJ f = FrameFromCounter(n);
        sink.AddFrames(&f, 1, 1);
    }
    ASSERT_TRUE(korvex::WriteSnapshotFile(dir / "w.can", {}, sink.frameStore));
    EXPECT_EQ(ReadBytes(dir / "w.can"),
              SnapshotBytes({}, {FrameFromCounter(3), FrameFromCounter(4), FrameFromCounter(5)}));
    EXPECT_FALSE(korvex::WriteSnapshotFile(dir / "missing" / "w.can", {}, sink.frameStore));
}

TEST(DataFileReader, SnapshotRoundTripRestoresFramesAndClockList) {
    TempFolder dir;
    std::vector<_VCI_CAN_OBJ> frames;
    for (std::uint32_t n = 0; n < 10000; ++n) frames.push_back(FrameFromCounter(n * 2654435761u));
    frames.push_back(MakeFrame(0, 0xFFFFFFFF, 0, 230, 0xFF));  // event record, no clock
    const std::vector<OrigTimeEntry> clocks{Clock(23, 0xFFFFFFF0, 9), Clock(0, 0, 0),
                                            Clock(12, 77, 4)};
    CFrameStoreSink source;
    Fill(source, frames);
    // Frames transmitted by the recorder keep SendType 0xFF through the file.
    const std::vector<_VCI_CAN_OBJ> expected = StoredFrames(source);
    ASSERT_TRUE(korvex::WriteSnapshotFile(dir / "rt.can", clocks, source.frameStore));

    CKorvexGlobal global;
    CFrameStoreSink sink;
    global.frameSinks[0] = {&sink};
    std::vector<std::string> status;
    EXPECT_EQ(korvex::ReadSnapshotFile(dir / "rt.can", global,
                                       [&](const std::string& t) { status.push_back(t); }),
              DataFileStatus::kOk);
    EXPECT_TRUE(SameFrames(StoredFrames(sink), expected));
    ASSERT_EQ(global.origTimeList.size(), clocks.size());
    EXPECT_EQ(std::memcmp(global.origTimeList.data(), clocks.data(), sizeof(OrigTimeEntry) * 3), 0);
    EXPECT_EQ(status, std::vector<std::string>{"总帧数 ：10001"});

    // Writing what was read gives the same file again.
    ASSERT_TRUE(korvex::WriteSnapshotFile(dir / "again.can", global.origTimeList, sink.frameStore));
    EXPECT_EQ(ReadBytes(dir / "again.can"), ReadBytes(dir / "rt.can"));
}

TEST(DataFileReader, EmptySnapshotEmptiesClockListAndStore) {
    TempFolder dir;
    WriteBytes(dir / "e.can", kSignatureBlock + U32(0));
    CKorvexGlobal global;
    global.origTimeList.resize(4);
    CFrameStoreSink sink;
    Fill(sink, {FrameFromCounter(1), FrameFromCounter(2)});
    RecordingSink second;
    global.frameSinks[0] = {&sink, &second};
    std::string status;
    EXPECT_EQ(
        korvex::ReadSnapshotFile(dir / "e.can", global, [&](const std::string& t) { status = t; }),
        DataFileStatus::kOk);
    EXPECT_TRUE(global.origTimeList.empty());
    EXPECT_EQ(sink.frameStore.GetCount(), 0);
    EXPECT_EQ(sink.frameStore.GetCapacity(), 0);
    EXPECT_EQ(status, "总帧数 ：0");
    EXPECT_EQ(second.calls, std::vector<std::string>{"Redraw"});
}

TEST(DataFileReader, TransmittedFramesAreCountedAndFlagged) {
    TempFolder dir;
    const std::vector<_VCI_CAN_OBJ> frames{MakeFrame(0x10, 1, 0), MakeFrame(0x11, 2, 0xFF),
                                           MakeFrame(0x12, 3, 0xFE), MakeFrame(0x13, 4, 0xFF)};
    WriteBytes(dir / "s.can", kSignatureBlock + Bytes(frames.data(), 96));
    CKorvexGlobal global;
    global.origTimeList.resize(2);
    RecordingSink first;
    RecordingSink second;
    global.frameSinks[0] = {&first, &second};
    EXPECT_EQ(korvex::ReadStreamFile(dir / "s.can", global), DataFileStatus::kOk);

    EXPECT_EQ(global.origTimeList.size(), 2u);  // the stream reader leaves the clock list
    EXPECT_EQ(global.frameCountTotal[0], 4u);
    EXPECT_EQ(global.frameCountTx[0], 2u);
    EXPECT_EQ(global.frameCountRx[0], 2u);
    EXPECT_EQ(first.calls, (std::vector<std::string>{"SetCapacity(4)", "AddFrames", "AddFrames",
                                                     "AddFrames", "AddFrames", "Redraw"}));
    EXPECT_EQ(second.calls.front(), "AddFrames");  // only the first sink is sized
    for (const RecordingSink* sink : {&first, &second}) {
        ASSERT_EQ(sink->added.size(), 4u);
        const int expectedFlags[] = {1, 0, 1, 0};
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(sink->added[i].received, expectedFlags[i]) << i;
            EXPECT_EQ(sink->added[i].frame.ID, 0x10u + i);
        }
    }
}

TEST(DataFileReader, RefusedFilesChangeNothing) {
    TempFolder dir;
    const _VCI_CAN_OBJ frame = FrameFromCounter(7);
    std::string badTerminator = kSignatureBlock + Bytes(&frame, 24);
    badTerminator[16] = 'X';
    std::string otherSignature = kSignatureBlock + Bytes(&frame, 24);
    otherSignature[3] = 'X';
    // N says 1000 clock entries; the file holds two and a frame.
    const std::vector<OrigTimeEntry> two{Clock(1, 1, 1), Clock(2, 2, 2)};
    std::string hugeN = SnapshotBytes(two, {frame});
    const std::uint32_t thousand = 1000;
    std::memcpy(&hugeN[20], &thousand, 4);
    std::string maxN = hugeN;
    const std::uint32_t all = 0xFFFFFFFF;
    std::memcpy(&maxN[20], &all, 4);

    const struct {
        const char* name;
        std::string bytes;
        bool snapshot;
        DataFileStatus status;
    } cases[] = {
        {"empty", "", true, DataFileStatus::kNotDataFile},
        {"short", kSignatureBlock.substr(0, 19), false, DataFileStatus::kNotDataFile},
        {"byte16", badTerminator, false, DataFileStatus::kNotDataFile},
        {"byte16snap", badTerminator, true, DataFileStatus::kNotDataFile},
        {"signature", otherSignature, true, DataFileStatus::kNotDataFile},
        {"noCount", kSignatureBlock + "\1\0", true, DataFileStatus::kDamaged},
        {"hugeN", hugeN, true, DataFileStatus::kDamaged},
        {"maxN", maxN, true, DataFileStatus::kDamaged},
    };
    for (const auto& c : cases) {
        WriteBytes(dir / c.name, c.bytes);
        CKorvexGlobal global;
        global.origTimeList = {Clock(5, 5, 5)};
        CFrameStoreSink sink;
        Fill(sink, {FrameFromCounter(99)});
        RecordingSink recorder;
        global.frameSinks[0] = {&sink, &recorder};
        bool statusShown = false;
        const auto show = [&](const std::string&) { statusShown = true; };
        const DataFileStatus got = c.snapshot ? korvex::ReadSnapshotFile(dir / c.name, global, show)
                                              : korvex::ReadStreamFile(dir / c.name, global, show);
        EXPECT_EQ(got, c.status) << c.name;
        EXPECT_EQ(global.origTimeList.size(), 1u) << c.name;
        EXPECT_EQ(global.origTimeList[0].hour, 5) << c.name;
        EXPECT_EQ(sink.frameStore.GetCount(), 1) << c.name;
        EXPECT_TRUE(recorder.calls.empty()) << c.name;
        EXPECT_FALSE(statusShown) << c.name;
        EXPECT_EQ(global.frameCountTotal[0], 0u) << c.name;
    }
    CKorvexGlobal global;
    EXPECT_EQ(korvex::ReadSnapshotFile(dir / "absent.can", global), DataFileStatus::kCannotOpen);
}

TEST(DataFileReader, TrailingPartialRecordIsIgnored) {
    TempFolder dir;
    const std::vector<_VCI_CAN_OBJ> frames{FrameFromCounter(1), FrameFromCounter(2)};
    const std::vector<OrigTimeEntry> one{Clock(3, 3, 3)};
    WriteBytes(dir / "snap.can", SnapshotBytes(one, frames) + std::string(23, '\x5A'));
    WriteBytes(dir / "stream.can", kSignatureBlock + Bytes(frames.data(), 48) + "\1\2\3");
    // Byte 17..19 are not examined.
    std::string loose = kSignatureBlock + Bytes(frames.data(), 24);
    loose[17] = 'a';
    loose[19] = 'z';
    WriteBytes(dir / "loose.can", loose);

    CKorvexGlobal global;
    CFrameStoreSink sink;
    global.frameSinks[0] = {&sink};
    EXPECT_EQ(korvex::ReadSnapshotFile(dir / "snap.can", global), DataFileStatus::kOk);
    EXPECT_TRUE(SameFrames(StoredFrames(sink), frames));
    EXPECT_EQ(global.origTimeList.size(), 1u);
    EXPECT_EQ(korvex::ReadStreamFile(dir / "stream.can", global), DataFileStatus::kOk);
    EXPECT_TRUE(SameFrames(StoredFrames(sink), frames));
    EXPECT_EQ(korvex::ReadStreamFile(dir / "loose.can", global), DataFileStatus::kOk);
    EXPECT_EQ(sink.frameStore.GetCount(), 1);
    EXPECT_EQ(global.frameCountTotal[0], 5u);
}

}  // namespace
