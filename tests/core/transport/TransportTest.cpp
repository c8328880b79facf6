#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/transport/DtcEpisodes.h"
#include "core/transport/IsoTpPairs.h"
#include "core/transport/J1939Diagnostics.h"
#include "core/transport/TransportCsv.h"
#include "core/transport/TransportPass.h"
#include "core/transport/UdsMeaning.h"
#include "tests/support/DiagnosticTraffic.h"

namespace {

using namespace korvex::transport;
using korvex::test::CDiagnosticTraffic;
using korvex::test::ExpectedEpisode;

// A message's CSV line without its time.
std::string Line(const TransportMessage& m) {
    std::string line;
    AppendTransportCsvLine(line, m, "", {});
    return line;
}

TransportReading Read(const CCycleBuffer<_VCI_CAN_OBJ>::CView& frames, std::int64_t blockItems,
                      unsigned threads) {
    korvex::PassSplit split;
    split.blockItems = blockItems;
    split.threads = threads;
    TransportReading reading;
    EXPECT_TRUE(ReadTransport(frames, CIsoTpPairs::Standard(), split, reading));
    return reading;
}

TEST(Transport, MessagesAndEpisodesDoNotDependOnTheBlocks) {
    std::vector<ExpectedEpisode> expected;
    const CDiagnosticTraffic traffic = korvex::test::DiagnosticScenario(expected);
    CCycleBuffer<_VCI_CAN_OBJ> store;
    store.Reset(static_cast<int>(traffic.frames.size()));
    store.PushRun(traffic.frames.data(), static_cast<int>(traffic.frames.size()));
    const auto frames = store.View();

    const TransportReading whole = Read(frames, 1 << 20, 1);
    ASSERT_EQ(whole.messages.size(), traffic.messages.size());
    const std::vector<DtcEpisode> episodes = BuildDtcEpisodes(whole.dm1Reports);
    ASSERT_EQ(episodes.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(episodes[k].source, expected[k].source);
        EXPECT_EQ(episodes[k].spn, expected[k].spn);
        EXPECT_EQ(episodes[k].first, expected[k].first);
        EXPECT_EQ(episodes[k].last, expected[k].last);
        EXPECT_EQ(episodes[k].reports, expected[k].reports);
        EXPECT_EQ(episodes[k].activeAtEnd, expected[k].activeAtEnd);
    }
    // Block borders fall inside messages, span ends and time-outs.
    for (const std::int64_t block : {1, 2, 3, 7, 64, 1000}) {
        for (const unsigned threads : {1u, 3u}) {
            SCOPED_TRACE(std::to_string(block) + " frames per block, threads " +
                         std::to_string(threads));
            const TransportReading split = Read(frames, block, threads);
            ASSERT_EQ(split.messages.size(), whole.messages.size());
            for (std::size_t k = 0; k < whole.messages.size(); ++k)
                EXPECT_EQ(Line(split.messages[k]), Line(whole.messages[k]));
            ASSERT_EQ(split.dm1Reports.size(), whole.dm1Reports.size());
            for (std::size_t k = 0; k < whole.dm1Reports.size(); ++k)
                EXPECT_EQ(split.dm1Reports[k].index, whole.dm1Reports[k].index);
        }
    }
}

TEST(Transport, ReadsIdentifierPairs) {
    std::string error;
    const auto pairs = CIsoTpPairs::Parse("0x701:709,18DA10F1:18DAF110", error);
    ASSERT_TRUE(pairs) << error;
    EXPECT_EQ(pairs->Find(0x701, false)->partner, 0x709u);
    EXPECT_EQ(pairs->Find(0x709, false)->partner, 0x701u);
    EXPECT_EQ(pairs->Find(0x18DAF110, true)->partner, 0x18DA10F1u);
    EXPECT_FALSE(pairs->Find(0x701, true));   // a 29-bit 0x701 is another identifier
    EXPECT_FALSE(pairs->Find(0x7E0, false));  // named pairs replace the standard ones
    EXPECT_TRUE(CIsoTpPairs::Parse("none", error)->Empty());
    for (const char* bad : {"", "7E0", "7E0:", "7E0:7E0", "800:7E8", "7E0:18DAF110",
                            "7E0:7E8,7E8:7E1", "7G0:7E8", "7E0:7E8,", "123456789:1"}) {
        SCOPED_TRACE(bad);
        error.clear();
        EXPECT_FALSE(CIsoTpPairs::Parse(bad, error));
        EXPECT_FALSE(error.empty());
    }
    const CIsoTpPairs standard = CIsoTpPairs::Standard();
    EXPECT_EQ(standard.Find(0x7E7, false)->partner, 0x7EFu);
    EXPECT_TRUE(standard.Find(0x7DF, false)->functional);
    EXPECT_TRUE(standard.Find(0x18DB33F1, true)->functional);
    EXPECT_FALSE(standard.Find(0x18DB10F1, true));
    EXPECT_FALSE(standard.Find(0x7F0, false));
    EXPECT_FALSE(standard.Find(0x7E0, true));
}

TEST(Transport, NamesWhatItCannotFullyRead) {
    const struct {
        std::vector<std::uint8_t> message;
        const char* meaning;
    } cases[] = {
        {{0x7F}, "negative response (0x7F)"},
        {{0x7F, 0xBA, 0x45}, "negative response (0x7F) to service 0xBA: code 0x45"},
        {{0xBA, 0x01}, "service 0xBA"},
        {{0x27, 0x03}, "SecurityAccess (0x27) requestSeed (0x03) level 2"},
        {{0x67, 0x04}, "SecurityAccess positive response (0x67) sendKey (0x04) level 2"},
        {{0x31, 0x01, 0xFF, 0x00}, "RoutineControl (0x31) startRoutine (0x01) FF00"},
        {{0x11, 0x42}, "ECUReset (0x11) sub-function 0x42"},
        {{0x22, 0xF1}, "ReadDataByIdentifier (0x22)"},
        {{0x49, 0x02, 0x01},
         "OBD request vehicle information positive response (0x49) InfoType 0x02"},
    };
    for (const auto& c : cases) {
        std::string meaning;
        AppendUdsMeaning(meaning, c.message);
        EXPECT_EQ(meaning, c.meaning);
    }
    // A DM1 cut short keeps its whole codes; all-ones and zero entries are no faults.
    DiagnosticMessage dm;
    EXPECT_FALSE(ReadDiagnosticMessage(std::vector<std::uint8_t>{0x40}, dm));
    ASSERT_TRUE(
        ReadDiagnosticMessage(std::vector<std::uint8_t>{0x40, 0x00, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF,
                                                        0xFF, 0x6E, 0x00, 0xE4, 0x85, 0x01},
                              dm));
    ASSERT_EQ(dm.codes.size(), 1u);
    EXPECT_EQ(dm.codes[0].spn, 0x7006Eu);
    EXPECT_EQ(dm.codes[0].fmi, 4);
    EXPECT_TRUE(dm.codes[0].conversionMethod);
    EXPECT_EQ(dm.codes[0].occurrences, 5);
    std::string lamps;
    AppendLampText(lamps, 0x40, 0x00);
    EXPECT_EQ(lamps,
              "MIL on (slow flash), red stop lamp off, amber warning lamp off, protect lamp off");
}

}  // namespace
