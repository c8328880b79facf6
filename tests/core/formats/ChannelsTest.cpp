// A frame's channel (bus, interface) through conversions between the logs
// that name one, and the choice of a channel when a log of several is read
// into the one-channel frame list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/formats/ChannelChoice.h"
#include "tests/core/formats/FormatTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::formats::CFrameChannels;
using korvex::formats::DataFormat;
using korvex::formats::ReadStatus;

struct Converted {
    korvex::formats::ReadResult result;
    std::vector<int> channels;  // of each frame read
};

// What korvex-cli convert does: the input read with its channels kept for
// the writer.
Converted Convert(const std::filesystem::path& in, DataFormat to, const std::filesystem::path& out,
                  const std::string& iface = "can0") {
    CKorvexGlobal global;
    CFrameStoreSink sink;
    global.frameSinks[0] = {&sink};
    CFrameChannels channels;
    korvex::formats::LoadRequest request;
    request.read.utc = true;
    request.keepChannels = &channels;
    Converted converted;
    converted.result = korvex::formats::LoadDataFile(in, std::nullopt, request, global);
    for (long long i = 0; i < channels.FrameCount(); ++i)
        converted.channels.push_back(channels.NumberOf(i));
    korvex::formats::WriteOptions options;
    options.utc = true;
    options.iface = iface;
    const korvex::formats::WriteSource source{
        global.origTimeList, sink.frameStore, {}, {}, &channels};
    EXPECT_TRUE(korvex::formats::FormatInfo(to).write(out, source, options));
    return converted;
}

TEST(Channels, AConversionKeepsEachFramesChannel) {
    korvex::test::TempFolder dir;
    korvex::test::WriteText(dir / "in.log",
                            "(1700000000.000100) can1 123#01\n"
                            "(1700000000.000200) can10 124#02\n"
                            "(1700000000.000300) can2 125#03\n"
                            "(1700000000.000400) can10 20000088#0000000000000000\n"
                            "(1700000000.000500) can1 126#R\n");
    // Interfaces are numbered by name: can1, can2, can10.
    const std::vector<int> expected = {1, 3, 2, 3, 1};
    const struct {
        DataFormat format;
        const char* file;
    } steps[] = {{DataFormat::kBlf, "a.blf"},
                 {DataFormat::kTrc, "b.trc"},
                 {DataFormat::kAsc, "c.asc"},
                 {DataFormat::kPcapng, "d.pcapng"},
                 {DataFormat::kCandump, "e.log"}};
    std::filesystem::path from = dir / "in.log";
    for (const auto& step : steps) {
        const Converted c = Convert(from, step.format, dir / step.file, "vcan0");
        EXPECT_EQ(c.result.status, ReadStatus::kOk) << step.file;
        EXPECT_EQ(c.channels, expected) << "read before writing " << step.file;
        from = dir / step.file;
    }
    // The TRC header lists each bus the frames are on.
    EXPECT_NE(korvex::test::ReadText(dir / "b.trc")
                  .find(";   Bus  Connection  Protocol\r\n;   1    Korvex      CAN\r\n"
                        ";   2    Korvex      CAN\r\n;   3    Korvex      CAN\r\n;---"),
              std::string::npos);
    EXPECT_EQ(korvex::test::ReadText(dir / "e.log"),
              "(1700000000.000100) vcan0 123#01\n"
              "(1700000000.000200) vcan2 124#02\n"
              "(1700000000.000300) vcan1 125#03\n"
              "(1700000000.000400) vcan2 20000088#0000000000000000\n"
              "(1700000000.000500) vcan0 126#R\n");
    // A candump log written from a candump log keeps the names as they stand.
    Convert(dir / "in.log", DataFormat::kCandump, dir / "same.log");
    EXPECT_EQ(korvex::test::ReadText(dir / "same.log"), korvex::test::ReadText(dir / "in.log"));
}

TEST(Channels, SeveralChannelsAreMergedChosenOrRefused) {
    korvex::test::TempFolder dir;
    // Channel 2 speaks only two hours after channel 1: a span of its own.
    korvex::test::WriteText(dir / "two.asc",
                            "date Tue Nov 14 10:13:20.000 pm 2023\n"
                            "base hex  timestamps absolute\n"
                            "   0.100000 1  123             Rx   d 1 01\n"
                            "   0.200000 1  124             Rx   d 1 02\n"
                            "7200.000000 2  125             Rx   d 1 03\n");
    korvex::formats::ReadOptions utc;
    utc.utc = true;
    const korvex::test::LoadedFile merged = korvex::test::LoadFile(dir / "two.asc", {}, utc);
    ASSERT_EQ(merged.result.status, ReadStatus::kOk);
    EXPECT_EQ(merged.frames.size(), 3u);
    EXPECT_EQ(merged.origTimeList.size(), 2u);
    EXPECT_EQ(korvex::formats::ReadNoteTexts(merged.result, "two.asc"),
              std::vector<std::string>{"two.asc holds 2 channels, merged into one frame list: "
                                       "1 (2 frames), 2 (1 frames); --channel N reads channel N "
                                       "alone"});

    // One channel alone keeps only its own span (the program asks which
    // before it imports; its test answers the question).
    korvex::formats::ReadOptions second = utc;
    second.channel = 2;
    const korvex::test::LoadedFile alone = korvex::test::LoadFile(dir / "two.asc", {}, second);
    ASSERT_EQ(alone.frames.size(), 1u);
    EXPECT_EQ(alone.frames[0].ID, 0x125u);
    EXPECT_EQ(korvex::ClockIndex(alone.frames[0]), 0);
    EXPECT_EQ(alone.origTimeList.size(), 1u);

    // A log that names no channel has channel 1 alone; a candump log's
    // interfaces count in name order.
    korvex::test::WriteText(dir / "p.csv",
                            "timestamp,arbitration_id,extended,remote,error,dlc,data\n"
                            "1700000000.1234,0x123,0,0,0,2,AQI=\n");
    korvex::test::WriteText(dir / "i.log",
                            "(1700000000.000100) can10 123#01\n"
                            "(1700000000.000200) can2 124#02\n");
    const struct {
        const char* file;
        int channel;
        std::size_t frames;
        const char* refusal;
    } cases[] = {
        {"p.csv", 1, 1, ""},
        {"p.csv", 2, 0, "has no channel 2: it names none, its frames are channel 1"},
        {"i.log", 1, 1, ""},
        {"i.log", 3, 0,
         "has no channel 3; its channels: 1 = can2 (1 frames), 2 = can10 (1 frames)"},
    };
    for (const auto& c : cases) {
        korvex::formats::ReadOptions options = utc;
        options.channel = c.channel;
        const korvex::test::LoadedFile loaded = korvex::test::LoadFile(dir / c.file, {}, options);
        EXPECT_EQ(loaded.frames.size(), c.frames) << c.file << c.channel;
        const std::string text = korvex::formats::ReadResultText(loaded.result, c.file);
        EXPECT_EQ(text, *c.refusal ? std::string(c.file) + " " + c.refusal : "");
    }
}

}  // namespace
