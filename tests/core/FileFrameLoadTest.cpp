#include "core/FileFrameLoad.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/DataFileReader.h"
#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"
#include "tests/support/FrameFactory.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::DataFileStatus;
using korvex::FileLoadEnd;
using korvex::test::FrameFromCounter;
using korvex::test::kSignatureBlock;
using korvex::test::ReadBytes;
using korvex::test::RecordingSink;
using korvex::test::TempFolder;
using korvex::test::WriteBytes;

std::vector<_VCI_CAN_OBJ> Counted(std::uint32_t count) {
    std::vector<_VCI_CAN_OBJ> frames;
    for (std::uint32_t n = 0; n < count; ++n) frames.push_back(FrameFromCounter(n));
    return frames;
}

std::string StreamBytes(const std::vector<_VCI_CAN_OBJ>& frames) {
    return kSignatureBlock +
           std::string(reinterpret_cast<const char*>(frames.data()), frames.size() * 24);
}

std::vector<_VCI_CAN_OBJ> Stored(CCycleBuffer<_VCI_CAN_OBJ>& store) {
    std::vector<_VCI_CAN_OBJ> out(static_cast<std::size_t>(store.GetCount()));
    for (std::size_t i = 0; i < out.size(); ++i) store.Get(static_cast<int>(i), &out[i]);
    return out;
}

bool Same(const std::vector<_VCI_CAN_OBJ>& a, const std::vector<_VCI_CAN_OBJ>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * 24) == 0;
}

korvex::PassSplit SmallBlocks(unsigned threads) {
    korvex::PassSplit split;
    split.threads = threads;
    split.blockItems = 1000;
    return split;
}

// A .can file is read in place; whatever the frame store does afterwards (a
// clear, frames added to a full store, an upload, a new capacity) goes to the
// program's own memory and never to the file.
TEST(FileFrameLoad, OpenedFileStaysUntouchedWhateverTheStoreDoes) {
    const struct {
        const char* name;
        void (*change)(CKorvexGlobal&, CFrameStoreSink&);
        std::uint32_t firstAfter;  // counter of the oldest frame afterwards, or ~0u for none
    } changes[] = {
        {"added to a full store",
         [](CKorvexGlobal&, CFrameStoreSink& s) {
             _VCI_CAN_OBJ f = FrameFromCounter(900000);
             s.AddFrames(&f, 1, 0);
         },
         1},
        {"cleared and refilled",
         [](CKorvexGlobal&, CFrameStoreSink& s) {
             s.ClearList();
             _VCI_CAN_OBJ run[3] = {FrameFromCounter(7), FrameFromCounter(8), FrameFromCounter(9)};
             s.AddFrames(run, 3, 1);
         },
         7},
        {"uploaded over",
         [](CKorvexGlobal& g, CFrameStoreSink&) {
             const std::vector<_VCI_CAN_OBJ> upload = Counted(5);
             g.AddUploadFrames(upload.data(), 5);
         },
         0},
        {"resized", [](CKorvexGlobal&, CFrameStoreSink& s) { s.SetCapacity(10); }, ~0u},
    };
    TempFolder dir;
    const std::vector<_VCI_CAN_OBJ> frames = Counted(150001);
    WriteBytes(dir / "in.can", StreamBytes(frames));
    const std::string original = ReadBytes(dir / "in.can");
    for (const auto& c : changes) {
        CKorvexGlobal global;
        CFrameStoreSink sink;
        global.frameSinks[0] = {&sink};
        ASSERT_EQ(korvex::ReadStreamFile(dir / "in.can", global, {}, "", SmallBlocks(3)),
                  DataFileStatus::kOk);
        ASSERT_TRUE(Same(Stored(sink.frameStore), frames)) << c.name;
        EXPECT_EQ(global.frameCountTotal[0], 150001u);

        c.change(global, sink);
        _VCI_CAN_OBJ first{};
        if (c.firstAfter == ~0u) {
            EXPECT_FALSE(sink.frameStore.Get(0, &first)) << c.name;
        } else {
            ASSERT_TRUE(sink.frameStore.Get(0, &first)) << c.name;
            EXPECT_EQ(first.ID, c.firstAfter) << c.name;
        }
        EXPECT_EQ(ReadBytes(dir / "in.can"), original) << c.name;
    }
}

// The first sink takes the records in place, later sinks get copies marked
// as the readers mark them; the counters count every frame once, whether the
// pass ran on one thread or several.
TEST(FileFrameLoad, EverySinkGetsTheFramesOnAnyNumberOfThreads) {
    TempFolder dir;
    std::vector<_VCI_CAN_OBJ> frames = Counted(5003);
    for (std::size_t i = 0; i < frames.size(); i += 3) frames[i].SendType = 0xFF;
    WriteBytes(dir / "in.can", StreamBytes(frames));
    for (unsigned threads : {1u, 2u, 5u}) {
        CKorvexGlobal global;
        CFrameStoreSink first;
        RecordingSink second;
        global.frameSinks[0] = {&first, &second};
        ASSERT_EQ(korvex::ReadStreamFile(dir / "in.can", global, {}, "", SmallBlocks(threads)),
                  DataFileStatus::kOk);
        EXPECT_TRUE(Same(Stored(first.frameStore), frames)) << threads;
        ASSERT_EQ(second.added.size(), frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            ASSERT_EQ(std::memcmp(&second.added[i].frame, &frames[i], 24), 0) << i;
            ASSERT_EQ(second.added[i].received, frames[i].SendType == 0xFF ? 0 : 1) << i;
        }
        EXPECT_EQ(global.frameCountTotal[0], 5003u);
        EXPECT_EQ(global.frameCountTx[0], 1668u);
        EXPECT_EQ(global.frameCountRx[0], 5003u - 1668u);
        EXPECT_EQ(second.calls.back(), "Redraw");
    }
}

// Handed over unread, the records are all in the store at once and counted
// in the total only; where another sink wants copies, the reading pass must
// run and nothing is handed over unread.
TEST(FileFrameLoad, UnreadHandOverOnlyToAStoreAlone) {
    TempFolder dir;
    std::vector<_VCI_CAN_OBJ> frames = Counted(70001);
    frames[5].SendType = 0xFF;
    const auto sent = static_cast<std::uint64_t>(std::count_if(
        frames.begin(), frames.end(), [](const _VCI_CAN_OBJ& f) { return f.SendType == 0xFF; }));
    WriteBytes(dir / "in.can", StreamBytes(frames));
    for (const bool alone : {true, false}) {
        CKorvexGlobal global;
        CFrameStoreSink first;
        RecordingSink second;
        global.frameSinks[0] = {&first};
        if (!alone) global.frameSinks[0].push_back(&second);
        korvex::OpenedDataFile opened = korvex::OpenStreamInPlace(dir / "in.can");
        korvex::CFileFrameLoad load(global, opened.records);
        load.Begin();
        EXPECT_EQ(load.HandOverUnread(), alone);
        EXPECT_EQ(first.frameStore.GetCount(), alone ? 70001 : 0);
        if (!alone) {
            EXPECT_EQ(load.Run(SmallBlocks(2)), FileLoadEnd::kDone);
        }
        load.End();
        EXPECT_TRUE(Same(Stored(first.frameStore), frames)) << alone;
        EXPECT_EQ(global.frameCountTotal[0], 70001u);
        EXPECT_EQ(global.frameCountTx[0], alone ? 0u : sent);
        EXPECT_EQ(global.frameCountRx[0], alone ? 0u : 70001u - sent);
    }
    // The readers hand over unread when asked to and the sinks allow it.
    CKorvexGlobal global;
    CFrameStoreSink sink;
    global.frameSinks[0] = {&sink};
    ASSERT_EQ(korvex::ReadStreamFile(dir / "in.can", global, {}, "", SmallBlocks(2),
                                     korvex::FrameReading::kByFirstUse),
              DataFileStatus::kOk);
    EXPECT_TRUE(Same(Stored(sink.frameStore), frames));
    EXPECT_EQ(global.frameCountTx[0], 0u);
}

// A load ends early, keeping what it handed over, at a cancel, when the
// store is cleared under it, and where the file was cut short after it was
// opened (its pages then read as zero bytes instead of ending the program).
TEST(FileFrameLoad, EarlyEndsKeepWhatWasLoaded) {
    TempFolder dir;
    const std::vector<_VCI_CAN_OBJ> frames = Counted(20000);
    WriteBytes(dir / "in.can", StreamBytes(frames));
    const struct {
        const char* name;
        FileLoadEnd end;
        long long loaded;
    } cases[] = {
        {"cancel", FileLoadEnd::kCancelled, 3000},
        {"clear", FileLoadEnd::kSuperseded, 3000},
        {"cut", FileLoadEnd::kUnreadable, 5000},
    };
    for (const auto& c : cases) {
        korvex::OpenedDataFile opened = korvex::OpenStreamInPlace(dir / "in.can");
        ASSERT_EQ(opened.layout.status, DataFileStatus::kOk);
        CKorvexGlobal global;
        CFrameStoreSink sink;
        global.frameSinks[0] = {&sink};
        korvex::CFileFrameLoad load(global, opened.records);
        load.Begin();
        EXPECT_EQ(sink.frameStore.GetCapacity(), 20000);
        EXPECT_EQ(sink.frameStore.GetCount(), 0);

        std::atomic<bool> cancel{false};
        korvex::PassSplit split = SmallBlocks(1);
        split.cancel = &cancel;
        const std::string name = c.name;
        split.progress = [&](std::int64_t done, std::int64_t) {
            if (done != 3000) return;
            if (name == "cancel") cancel.store(true);
            if (name == "clear") sink.ClearList();
        };
        if (name == "cut") std::filesystem::resize_file(dir / "in.can", 20 + 24 * 5500);
        EXPECT_EQ(load.Run(split), c.end) << c.name;
        load.End();
        EXPECT_EQ(load.Loaded(), c.loaded) << c.name;
        EXPECT_EQ(global.frameCountTotal[0], static_cast<std::uint64_t>(c.loaded)) << c.name;
        if (name != "clear") {
            EXPECT_TRUE(Same(Stored(sink.frameStore), {frames.begin(), frames.begin() + c.loaded}))
                << c.name;
        }
        if (name == "cut") {
            // Past the cut the mapping reads zero bytes, and says so.
            const std::uint8_t* past = opened.records.file->Data() + 20 + 24 * 6000;
            EXPECT_EQ(past[0], 0);
            EXPECT_TRUE(opened.records.file->Truncated());
            EXPECT_TRUE(korvex::CMappedFile::AnyTruncated());
            WriteBytes(dir / "in.can", StreamBytes(frames));
        }
    }
}

}  // namespace
