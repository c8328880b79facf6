// The binary logging format: every frame object the reader takes, objects
// cut across containers anywhere, and damage that must end the read with the
// offset named, never a loop or a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/formats/BlfFormat.h"
#include "core/formats/ChannelChoice.h"
#include "core/formats/FrameClock.h"
#include "tests/core/formats/BlfBuilder.h"
#include "tests/core/formats/FormatTestSupport.h"
#include "tests/support/EdgeFrameCorpus.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::formats::ReadStatus;
using korvex::formats::Ticks;
using korvex::test::BlfObject;
using korvex::test::Bytes;
namespace blf = korvex::formats::blf;

struct Read {
    korvex::formats::ReadResult result;
    korvex::formats::CRecording recording;
};

Read ReadBlfBytes(const Bytes& bytes, korvex::formats::ReadOptions options = {}) {
    options.utc = true;
    Read read;
    std::FILE* file = bytes.empty()
                          ? std::fopen("/dev/null", "rb")
                          : fmemopen(const_cast<std::uint8_t*>(bytes.data()), bytes.size(), "rb");
    read.result = korvex::formats::ReadBlf(file, options, read.recording, {});
    std::fclose(file);
    korvex::formats::LoadRequest request;
    request.read = options;
    if (read.result.status == ReadStatus::kOk)
        korvex::formats::ApplyChannelChoice(read.recording, request, read.result);
    return read;
}

korvex::formats::ReadOptions UtcOptions() {
    korvex::formats::ReadOptions options;
    options.utc = true;
    return options;
}

// 2024-05-17 09:30:00.250 UTC
constexpr Ticks kStart = 17159382002500;

Bytes WithHeader(const Bytes& objects) {
    Bytes file = korvex::test::FileHeader(2024, 5, 17, 9, 30, 0, 250);
    file.insert(file.end(), objects.begin(), objects.end());
    return file;
}

Bytes Stream(const std::vector<BlfObject>& objects) {
    Bytes stream;
    for (const BlfObject& o : objects) {
        const Bytes b = korvex::test::ObjectBytes(o);
        stream.insert(stream.end(), b.begin(), b.end());
    }
    return stream;
}

// A frame as the tests compare it: what it is, and its time from the start.
std::string Describe(const _VCI_CAN_OBJ& f, const korvex::formats::CRecording& r) {
    const korvex::formats::CFrameClock clock(r.origTimeList, true);
    char text[160];
    std::snprintf(text, sizeof text, "%X e%d r%d l%d tx%d ev%d/%d %02X%02X t%lld", f.ID,
                  f.ExternFlag, f.RemoteFlag, f.DataLen, f.SendType == 0xFF, f.Reserved[0],
                  f.Reserved[2], f.Data[0], f.Data[7],
                  static_cast<long long>(clock.AbsoluteTime(f) - kStart));
    return text;
}

std::vector<std::string> Described(const korvex::formats::CRecording& r) {
    std::vector<std::string> out;
    for (const _VCI_CAN_OBJ& f : r.frames) out.push_back(Describe(f, r));
    return out;
}

// Every frame object, both header versions and both time units: a transmit
// request is read as a transmitted frame; error frames are bus errors with
// their error code capture, unless the identifier carries the Linux error
// flag and so an error class; what the reader leaves out (unknown objects,
// long CAN FD frames, a standard identifier beyond 11 bits) is counted.
std::vector<BlfObject> EveryObject() {
    using korvex::test::CanBody;
    using korvex::test::CanErrorBody;
    const Bytes eight = {0x11, 2, 3, 4, 5, 6, 7, 0x88};
    const Bytes busOff = {0, 0, 0, 0, 0, 6, 0, 0};
    return {
        {blf::kCanMessage, CanBody(1, 0, 8, 0x123, eight), 1000000},
        {blf::kCanMessage, CanBody(1, 1, 2, 0x1ABCDEF0 | blf::kExtendedId, {0xAA, 0xBB}), 2000000,
         2},
        {blf::kCanMessage, CanBody(1, 0x80, 5, 0x7FF, {}), 300, 1, blf::kTimeTenMicros},
        {blf::kCanMessage, CanBody(1, 2, 1, 0x100, {1}), 4000000},           // Tx request
        {blf::kCanMessage2, CanBody(1, 0, 12, 0x55, eight, true), 5000000},  // DLC 12: 8 bytes
        {blf::kCanFdMessage, korvex::test::CanFdBody(1, 1, 8, 0x200, blf::kFdEdl, eight), 6000000},
        {blf::kCanFdMessage, korvex::test::CanFdBody(1, 0, 9, 0x201, blf::kFdEdl, Bytes(12, 7)),
         6100000},
        {blf::kCanFdMessage, korvex::test::CanFdBody(1, 0x80, 3, 0x202, 0, {}), 6200000},
        {blf::kCanFdMessage64,
         korvex::test::CanFd64Body(1, 4, 0x300 | blf::kExtendedId, blf::kFd64Edl, 1, {9, 8, 7, 6}),
         7000000},
        {blf::kCanFdMessage64,
         korvex::test::CanFd64Body(1, 15, 0x301, blf::kFd64Edl, 0, Bytes(64, 1)), 7100000},
        {blf::kCanFdMessage64, korvex::test::CanFd64Body(1, 2, 0x302, blf::kFd64Remote, 0, {}),
         7200000, 2},
        {blf::kCanErrorExt, CanErrorBody(1, 0, {}), 8000000},
        // Bit 0x40 of a frame's identifier is no bus off.
        {blf::kCanErrorExt, CanErrorBody(1, 0x40, busOff), 8100000},
        // With the Linux error flag it is: as this program writes it.
        {blf::kCanErrorExt, CanErrorBody(1, 0x20000040, busOff), 8200000},
        // ECC 10100010, a stuff error in the data field while receiving.
        {blf::kCanErrorExt, CanErrorBody(1, 0x123, {}, 0xA2), 8300000},
        {blf::kCanError, Bytes{1, 0, 0, 0}, 8400000},
        {blf::kCanMessage, CanBody(1, 0, 1, 0x800, {1}), 8500000},  // fits no frame type
        {96, Bytes(40, 0x4C), 9000000},                             // a global marker: not a frame
    };
}

const std::vector<std::string> kEveryFrame = {
    "123 e0 r0 l8 tx0 ev0/0 1188 t10",   "1ABCDEF0 e1 r0 l2 tx1 ev0/0 AA00 t20",
    "7FF e0 r1 l5 tx0 ev0/0 0000 t30",   "100 e0 r0 l1 tx1 ev0/0 0100 t40",
    "55 e0 r0 l8 tx0 ev0/0 1188 t50",    "200 e0 r0 l8 tx1 ev0/0 1188 t60",
    "202 e0 r1 l3 tx0 ev0/0 0000 t62",   "300 e1 r0 l4 tx1 ev0/0 0900 t70",
    "302 e0 r1 l2 tx0 ev0/0 0000 t72",   "0 e0 r0 l0 tx0 ev229/0 0000 t80",
    "0 e0 r0 l0 tx0 ev229/0 0000 t81",   "0 e0 r0 l0 tx0 ev230/6 0000 t82",
    "0 e0 r0 l0 tx0 ev229/162 0000 t83", "0 e0 r0 l0 tx0 ev229/0 0000 t84",
};

void ExpectEveryTally(const korvex::formats::ReadResult& result) {
    EXPECT_EQ(result.longFdFrames, 2);
    EXPECT_EQ(result.tally.shortFdFrames, 2);
    EXPECT_EQ(result.tally.txRequests, 1);
    EXPECT_EQ(result.tally.unfitIds, 1);
    EXPECT_EQ(result.tally.otherObjects, 1);
    EXPECT_EQ(result.tally.badObjects, 0);
}

TEST(BlfFormat, ReadsEveryFrameObjectOfEitherHeaderAndTimeUnit) {
    const Read read =
        ReadBlfBytes(WithHeader(korvex::test::Containers(Stream(EveryObject()), 1 << 17)));
    ASSERT_EQ(read.result.status, ReadStatus::kOk) << read.result.damage;
    EXPECT_EQ(read.result.damageOffset, -1);
    ExpectEveryTally(read.result);
    EXPECT_EQ(Described(read.recording), kEveryFrame);
    // Frames of another channel than the one read are not counted either.
    korvex::formats::ReadOptions second;
    second.channel = 2;
    const Read other =
        ReadBlfBytes(WithHeader(korvex::test::Containers(Stream(EveryObject()), 1 << 17)), second);
    EXPECT_EQ(other.result.longFdFrames + other.result.tally.shortFdFrames +
                  other.result.tally.txRequests + other.result.tally.unfitIds,
              0);
    // The start time opens the one recording span.
    ASSERT_EQ(read.recording.origTimeList.size(), 1u);
    EXPECT_EQ(read.recording.origTimeList[0].hour, 9);
    EXPECT_EQ(read.recording.origTimeList[0].minute, 30);
}

TEST(BlfFormat, ObjectsCutAcrossContainersAnywhereReadTheSame) {
    const Bytes stream = Stream(EveryObject());
    for (const bool stored : {false, true}) {
        for (std::size_t piece = 1; piece <= 200; piece += piece < 20 ? 1 : 17) {
            SCOPED_TRACE(std::to_string(piece) + (stored ? " stored" : " packed"));
            const Read read =
                ReadBlfBytes(WithHeader(korvex::test::Containers(stream, piece, stored)));
            ASSERT_EQ(read.result.status, ReadStatus::kOk) << read.result.damage;
            EXPECT_EQ(read.result.damageOffset, -1) << read.result.damage;
            EXPECT_EQ(Described(read.recording), kEveryFrame);
            ExpectEveryTally(read.result);
        }
    }
    // Objects outside any container, as older writers leave them.
    const Read loose = ReadBlfBytes(WithHeader(stream));
    EXPECT_EQ(Described(loose.recording), kEveryFrame) << loose.result.damage;
    ExpectEveryTally(loose.result);
}

TEST(BlfFormat, ChannelPicksOneChannel) {
    using korvex::test::CanBody;
    const Bytes stream = Stream({
        {blf::kCanMessage, CanBody(1, 0, 0, 0x10, {}), 0},
        {blf::kCanMessage, CanBody(2, 0, 0, 0x20, {}), 0},
        {blf::kCanFdMessage64, korvex::test::CanFd64Body(2, 0, 0x21, 0, 0, {}), 0},
        {blf::kCanErrorExt, korvex::test::CanErrorBody(2, 0, {}), 0},
        {blf::kCanMessage, CanBody(3, 0, 0, 0x30, {}), 0},
    });
    for (const auto& [channel, count] : {std::pair{0, 5u}, {1, 1u}, {2, 3u}, {3, 1u}}) {
        korvex::formats::ReadOptions options;
        options.channel = channel;
        const Read read = ReadBlfBytes(WithHeader(korvex::test::ContainerBytes(stream)), options);
        EXPECT_EQ(read.result.status, count > 0 ? ReadStatus::kOk : ReadStatus::kHoldsNoFrames);
        EXPECT_EQ(read.recording.frames.size(), count) << channel;
    }
    // A channel the file does not have is refused, naming those it has.
    korvex::formats::ReadOptions options;
    options.channel = 4;
    const Read read = ReadBlfBytes(WithHeader(korvex::test::ContainerBytes(stream)), options);
    EXPECT_EQ(read.result.status, ReadStatus::kNoSuchChannel);
    EXPECT_EQ(korvex::formats::ReadResultText(read.result, "x.blf"),
              "x.blf has no channel 4; its channels: 1 (1 frames), 2 (3 frames), 3 (1 frames)");
}

// Without a start time the objects' times count from the recording's start:
// the time column shows them from 00:00:00 (UTC of 1970).
TEST(BlfFormat, StartTimeOfZerosCountsFromTheRecordingsStart) {
    Bytes file = korvex::test::FileHeader(0, 0, 0, 0, 0, 0, 0);
    const Bytes c = korvex::test::ContainerBytes(
        Stream({{blf::kCanMessage, korvex::test::CanBody(1, 0, 0, 1, {}), 1234500000000},
                {blf::kCanMessage, korvex::test::CanBody(1, 0, 0, 2, {}), 1234600000000}}));
    file.insert(file.end(), c.begin(), c.end());
    korvex::formats::ReadOptions local;
    local.utc = false;
    const Read read = ReadBlfBytes(file, local);
    ASSERT_EQ(read.recording.frames.size(), 2u);
    ASSERT_EQ(read.recording.origTimeList.size(), 1u);
    const OrigTimeEntry& clock = read.recording.origTimeList[0];
    EXPECT_EQ(clock.date[0] * 100 + clock.date[1], 1970);
    EXPECT_EQ(clock.hour * 3600 + clock.minute * 60 + clock.second, 1234);
    EXPECT_EQ(read.recording.frames[0].TimeStamp, 5000u);
    EXPECT_EQ(read.recording.frames[1].TimeStamp, 6000u);
    EXPECT_EQ(read.recording.frames[0].Reserved[1], 0);
}

// Damage costs the damaged container only: the frames before and after it
// are read and the damage is named; a strict read is refused at it, and so
// is a file with no frame apart from it.
TEST(BlfFormat, DamageCostsTheDamagedPartOnly) {
    const Bytes good = Stream({{blf::kCanMessage, korvex::test::CanBody(1, 0, 1, 0x42, {1}), 0}});
    const Bytes after = Stream({{blf::kCanMessage, korvex::test::CanBody(1, 0, 1, 0x43, {2}), 0}});
    const Bytes goodContainer = korvex::test::ContainerBytes(good);
    const Bytes afterContainer = korvex::test::ContainerBytes(after);
    const long long second = 144 + static_cast<long long>(goodContainer.size());
    const Bytes zeroInside = {'L', 'O', 'B', 'J', 32, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    Bytes zeroTop = {'L', 'O', 'B', 'J', 16, 0, 1, 0, 0, 0, 0, 0, 10, 0, 0, 0};
    Bytes pastEnd = korvex::test::ContainerBytes(good);
    pastEnd[8] = 0xFF;  // the container claims more bytes than the file has
    Bytes notZlib = korvex::test::ContainerBytes(good);
    notZlib[32] ^= 0xFF;
    Bytes method = korvex::test::ContainerBytes(good);
    method[16] = 5;
    Bytes objectPastEnd = good;
    objectPastEnd[8] = 200;  // the object runs past the end of all data
    struct Case {
        const char* name;
        Bytes damaged;  // what stands between two good containers
        const char* says;
        std::size_t framesAround;  // read with the good containers around it
        std::size_t framesAlone;   // read from it alone
    };
    const Case cases[] = {
        {"zero size in a container", korvex::test::ContainerBytes(zeroInside),
         "object at byte 0 of the container's data: an object size of 0", 2, 0},
        {"zero size at the top", zeroTop, "an object size of 0", 2, 0},
        // Its size damaged: what unpacks up to the next object is read.
        {"container past the end", pastEnd, "runs past the end of the file", 3, 1},
        {"states more than it holds", korvex::test::ContainerBytes(good, false, 4096),
         "does not unpack to the size it states", 2, 0},
        {"states less than it holds", korvex::test::ContainerBytes(good, false, 20),
         "does not unpack to the size it states", 2, 0},
        {"claims a gigabyte", korvex::test::ContainerBytes(good, false, 1 << 30), "claims", 2, 0},
        {"claims more than deflate packs", korvex::test::ContainerBytes(good, false, 60 << 20),
         "claims 62914560 unpacked bytes from", 2, 0},
        {"not zlib", notZlib, "container: its data", 2, 0},
        {"unknown method", method, "unknown method 5", 2, 0},
        // The object swallows the next container's: nothing shows where it ends.
        {"object past the end", korvex::test::ContainerBytes(objectPastEnd),
         "an object that runs past the end of the file", 1, 0},
        {"garbage", Bytes(40, 0x5A), "no object begins here", 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = WithHeader(goodContainer);
        file.insert(file.end(), c.damaged.begin(), c.damaged.end());
        file.insert(file.end(), afterContainer.begin(), afterContainer.end());
        const Read read = ReadBlfBytes(file);
        EXPECT_EQ(read.result.status, ReadStatus::kOk);
        ASSERT_EQ(read.recording.frames.size(), c.framesAround) << read.result.damage;
        EXPECT_EQ(read.recording.frames.front().ID, 0x42u);
        if (c.framesAround > 1) {
            EXPECT_EQ(read.recording.frames.back().ID, 0x43u);
        }
        EXPECT_EQ(read.result.damageOffset, second);
        EXPECT_EQ(read.result.damagedParts, 1);
        EXPECT_EQ(read.result.damagedOffsets, std::vector<long long>{second});
        EXPECT_NE(read.result.damage.find(c.says), std::string::npos) << read.result.damage;

        korvex::formats::ReadOptions strict;
        strict.strict = true;
        const Read stopped = ReadBlfBytes(file, strict);
        EXPECT_EQ(stopped.result.status, ReadStatus::kDamagedAt);
        EXPECT_EQ(stopped.result.damageOffset, second);
        const Read alone = ReadBlfBytes(WithHeader(c.damaged));
        EXPECT_EQ(alone.recording.frames.size(), c.framesAlone);
        EXPECT_EQ(alone.result.status,
                  c.framesAlone > 0 ? ReadStatus::kOk : ReadStatus::kDamagedAt);
        EXPECT_EQ(alone.result.damageOffset, 144);
    }
    EXPECT_EQ(ReadBlfBytes({'L', 'O', 'G'}).result.status, ReadStatus::kDamagedAt);
    EXPECT_EQ(ReadBlfBytes(korvex::test::FileHeader(2024, 1, 1, 0, 0, 0, 0)).result.status,
              ReadStatus::kHoldsNoFrames);
}

// Several damaged containers among many: each costs its own frames, each is
// counted with its offset, and reading goes on after each.
TEST(BlfFormat, EachDamagedContainerIsCountedAndNamed) {
    Bytes file = korvex::test::FileHeader(2024, 5, 17, 9, 30, 0, 250);
    std::vector<long long> damaged;
    for (std::uint32_t c = 0; c < 10; ++c) {
        std::vector<BlfObject> objects;
        for (std::uint32_t i = 0; i < 5; ++i)
            objects.push_back(
                {blf::kCanMessage, korvex::test::CanBody(1, 0, 1, c * 5 + i, {1}), 100000ull * i});
        Bytes container = korvex::test::ContainerBytes(Stream(objects));
        if (c == 3 || c == 7) {
            damaged.push_back(static_cast<long long>(file.size()));
            container[40] ^= 0x55;
        }
        file.insert(file.end(), container.begin(), container.end());
    }
    const Read read = ReadBlfBytes(file);
    ASSERT_EQ(read.result.status, ReadStatus::kOk);
    EXPECT_EQ(read.recording.frames.size(), 40u);
    EXPECT_EQ(read.result.damagedParts, 2);
    EXPECT_EQ(read.result.damagedOffsets, damaged);
    EXPECT_EQ(read.recording.frames[15].ID, 20u);
}

// A file cut at any byte (a logger that lost power) gives the frames of the
// objects before the cut, those of a cut container that still unpack among
// them, and says where it was cut unless the cut fell between two containers
// (which here hold whole objects).
TEST(BlfFormat, AFileCutAtEveryByteKeepsTheFramesBeforeTheCut) {
    using korvex::test::CanBody;
    std::vector<BlfObject> objects;
    for (std::uint32_t i = 0; i < 40; ++i)
        objects.push_back({blf::kCanMessage,
                           CanBody(1, 0, 8, i, Bytes(8, static_cast<std::uint8_t>(i))),
                           i * 100000ull});
    const Bytes file = WithHeader(korvex::test::Containers(Stream(objects), 6 * 48));
    const Read whole = ReadBlfBytes(file);
    ASSERT_EQ(whole.recording.frames.size(), 40u);
    // Where a container ends, before and after its padding.
    std::vector<std::size_t> ends = {144};
    std::size_t lastDataEnd = 0;
    for (std::size_t at = 144; at < file.size();) {
        const std::uint32_t size = blf::Get32(file.data() + at + blf::kObjectSizeAt);
        for (std::uint32_t pad = 0; pad <= size % 4; ++pad) ends.push_back(at + size + pad);
        lastDataEnd = at + size;
        at += size + size % 4;
    }
    std::size_t previous = 0;
    for (std::size_t cut = 0; cut < file.size(); ++cut) {
        const Read read =
            ReadBlfBytes(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut)));
        const std::size_t n = read.recording.frames.size();
        ASSERT_LE(n, 40u) << cut;
        ASSERT_GE(n, previous) << cut;
        previous = n;
        for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(read.recording.frames[i].ID, i) << cut;
        const bool atEnd = std::find(ends.begin(), ends.end(), cut) != ends.end();
        EXPECT_EQ(read.result.damageOffset < 0, atEnd) << cut << ": " << read.result.damage;
        EXPECT_EQ(read.result.status == ReadStatus::kOk, n > 0) << cut;
        // Only the zlib check sum of the last container is cut: every frame
        // unpacks.
        if (cut + 4 >= lastDataEnd && cut < lastDataEnd) {
            EXPECT_EQ(n, 40u) << cut;
        }
    }
}

TEST(BlfFormat, WritesAHeaderThatNamesTheFramesAndContainersOfAtMost128KiB) {
    std::vector<_VCI_CAN_OBJ> frames;
    for (int i = 0; i < 6000; ++i)
        frames.push_back(korvex::test::EdgeFrame(
            {static_cast<std::uint32_t>(i % 0x7FF), false, false, 8, 10000u + 10u * i, 0}));
    frames.push_back(korvex::test::EdgeFrame({0, false, false, 0, 80000, 0, 0, 227, 3}));
    const std::vector<OrigTimeEntry> clocks = {
        korvex::test::EdgeClock(2024, 5, 17, 9, 30, 0, 10000, 2)};
    korvex::test::TempFolder dir;
    korvex::formats::WriteOptions options;
    options.utc = true;
    ASSERT_TRUE(korvex::test::WriteFormat(korvex::formats::DataFormat::kBlf, dir / "w.blf", clocks,
                                          frames, options));
    const std::string bytes = korvex::test::ReadText(dir / "w.blf");
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    ASSERT_GT(bytes.size(), 144u);
    EXPECT_EQ(bytes.substr(0, 4), "LOGG");
    EXPECT_EQ(blf::Get32(p + blf::kHeaderSizeAt), 144u);
    EXPECT_EQ(blf::Get64(p + blf::kFileSizeAt), bytes.size());
    EXPECT_EQ(blf::Get32(p + blf::kObjectCountAt), frames.size());
    const std::uint16_t first[8] = {2024, 5, 5, 17, 9, 30, 0, 0};
    const std::uint16_t last[8] = {2024, 5, 5, 17, 9, 30, 7, 0};  // 70000 ticks on
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(blf::Get16(p + blf::kStartTimeAt + 2 * i), first[i]) << i;
        EXPECT_EQ(blf::Get16(p + blf::kStopTimeAt + 2 * i), last[i]) << i;
    }
    // 6001 objects of 48 or 64 bytes: three containers, none over 128 KiB.
    std::uint64_t unpacked = 144;
    int containers = 0;
    for (std::size_t at = 144; at < bytes.size(); ++containers) {
        const std::uint32_t size = blf::Get32(p + at + blf::kObjectSizeAt);
        ASSERT_EQ(blf::Get32(p + at + blf::kObjectTypeAt), blf::kLogContainer);
        EXPECT_LE(blf::Get32(p + at + blf::kUnpackedSizeAt), 128u * 1024);
        unpacked += 32 + blf::Get32(p + at + blf::kUnpackedSizeAt);
        at += size + size % 4;
    }
    EXPECT_EQ(containers, 3);
    EXPECT_EQ(blf::Get64(p + blf::kUncompressedAt), unpacked);

    const korvex::test::LoadedFile back =
        korvex::test::LoadFile(dir / "w.blf", std::nullopt, UtcOptions());
    ASSERT_EQ(back.result.status, ReadStatus::kOk);
    ASSERT_EQ(back.frames.size(), frames.size());
    EXPECT_EQ(back.frames.back().Reserved[0], 227);
    EXPECT_EQ(back.frames.back().Reserved[2], 3);
    EXPECT_EQ(back.frames[5999].ID, 5999u % 0x7FF);
}

}  // namespace
