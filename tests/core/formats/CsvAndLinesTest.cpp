#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/formats/CsvFormat.h"
#include "core/formats/LineReader.h"
#include "tests/core/formats/FormatTestSupport.h"
#include "tests/support/EdgeFrameCorpus.h"
#include "tests/support/TempFolder.h"

namespace {

TEST(CsvFormat, QuotesOnlyWhatRfc4180Needs) {
    const std::pair<const char*, const char*> cases[] = {
        {"plain", "plain"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"line\nfeed", "\"line\nfeed\""},
        {"cr\r", "\"cr\r\""},
        {"0C 00 ", "\"0C 00 \""},
        {"\t没有错误", "\t没有错误"},
    };
    for (const auto& [field, expected] : cases) {
        std::string out;
        korvex::formats::AppendCsvField(out, field);
        EXPECT_EQ(out, expected) << field;
    }
}

// The plug-in's texts for a frame: the identifier and a text with a comma.
int FakeProtocolTexts(const _VCI_CAN_OBJ* frame, char*** texts, int* count) {
    static char id[16];
    static char second[] = "a,b";
    static char* list[] = {id, second};
    std::snprintf(id, sizeof id, "0x%X", frame->ID);
    *texts = list;
    *count = 2;
    return 1;
}

TEST(CsvFormat, WritesTheTextExportsCellsAsRecords) {
    const std::vector<OrigTimeEntry> clocks = {
        korvex::test::EdgeClock(2023, 11, 14, 22, 13, 20, 100, 2)};
    const std::vector<_VCI_CAN_OBJ> frames = {
        korvex::test::EdgeFrame({0x123, false, false, 2, 150, 0}),
        korvex::test::EdgeFrame({0, false, false, 0, 160, 0, 0, 227, 0}),
    };
    korvex::ExportRowContext context;
    context.origTimeList = &clocks;
    context.analyCANFrame = &FakeProtocolTexts;
    context.alias = [](const _VCI_CAN_OBJ& f, std::string& text) {
        text = f.ID == 0x123 ? "车速 \"A\"" : "";
    };
    korvex::test::TempFolder dir;
    ASSERT_TRUE(korvex::test::WriteFormat(korvex::formats::DataFormat::kCsv, dir / "x.csv", clocks,
                                          frames, {}, {"序号", "时间,标识", "别名"}, context));
    EXPECT_EQ(korvex::test::ReadText(dir / "x.csv"),
              "序号,\"时间,标识\",别名\r\n"
              "0,22:13:20.005.0,\"车速 \"\"A\"\"\",0x123,\"a,b\",,,,\r\n"
              "1,22:13:20.006.0,,0x0,\"a,b\",,,,\"CAN控制器消极错误\n\"\r\n");
}

// The plug-in's five protocol texts as it makes them in hexadecimal display,
// in the words of one of two languages.
bool gEnglish = false;
int FakePluginTexts(const _VCI_CAN_OBJ* frame, char*** texts, int* count) {
    static char id[16], format[16], type[16], length[8], data[32];
    static char* list[] = {id, format, type, length, data};
    std::snprintf(id, sizeof id, "0x%08X", frame->ID);
    std::snprintf(
        format, sizeof format, "%s",
        frame->RemoteFlag ? (gEnglish ? "Remote" : "远程帧") : (gEnglish ? "Data" : "数据帧"));
    std::snprintf(type, sizeof type, "%s",
                  frame->ExternFlag ? (gEnglish ? "Extended" : "扩展帧")
                                    : (gEnglish ? "Standard" : "标准帧"));
    std::snprintf(length, sizeof length, "0x%02X", frame->DataLen);
    data[0] = '\0';
    for (int i = 0; !frame->RemoteFlag && i < frame->DataLen && i < 8; ++i)
        std::snprintf(data + 3 * i, 4, "%02X ", frame->Data[i]);
    *texts = list;
    *count = 5;
    return 1;
}

std::vector<_VCI_CAN_OBJ> ReadCsvText(const std::string& text,
                                      std::vector<std::pair<long long, std::string>>* bad,
                                      korvex::formats::ReadResult* result = nullptr) {
    korvex::formats::CRecording r;
    korvex::formats::ReadOptions options;
    options.utc = true;
    options.frameWords = korvex::formats::ProtocolFrameWords(&FakePluginTexts);
    const auto read = korvex::test::ParseText(&korvex::formats::ReadCsv, text, r, bad, options);
    if (result) *result = read;
    return {r.frames.begin(), r.frames.end()};
}

// The program's CSV comes back frame for frame, whichever time mode and
// language wrote it; only what it does not show (direction, dates, event
// sub-codes) is lost.
TEST(CsvFormat, ReadsItsOwnExportBack) {
    const korvex::test::EdgeRecording corpus = korvex::test::EdgeFrameCorpus();
    const std::vector<std::string> captions = {"序号", "时间标识", "别名", "帧ID", "格式",
                                               "类型", "DLC",      "数据", "备注"};
    for (const bool english : {false, true}) {
        for (const std::uint8_t mode : {std::uint8_t{0}, std::uint8_t{1}}) {
            SCOPED_TRACE(std::string(english ? "English" : "Chinese") +
                         (mode ? " relative" : " clock"));
            gEnglish = english;
            korvex::ExportRowContext context;
            context.timeShowType = mode;
            context.origTimeList = &corpus.origTimeList;
            context.analyCANFrame = &FakePluginTexts;
            korvex::test::TempFolder dir;
            ASSERT_TRUE(korvex::test::WriteFormat(korvex::formats::DataFormat::kCsv, dir / "x.csv",
                                                  corpus.origTimeList, corpus.frames, {}, captions,
                                                  context));
            std::vector<std::pair<long long, std::string>> bad;
            const std::vector<_VCI_CAN_OBJ> back =
                ReadCsvText(korvex::test::ReadText(dir / "x.csv"), &bad);
            EXPECT_TRUE(bad.empty()) << bad[0].first << ": " << bad[0].second;
            ASSERT_EQ(back.size(), corpus.frames.size());
            for (std::size_t i = 0; i < back.size(); ++i) {
                const _VCI_CAN_OBJ& a = corpus.frames[i];
                const _VCI_CAN_OBJ& b = back[i];
                EXPECT_EQ(b.ID, a.ID) << i;
                EXPECT_EQ(b.ExternFlag, a.ExternFlag) << i;
                EXPECT_EQ(b.RemoteFlag, a.RemoteFlag) << i;
                EXPECT_EQ(b.DataLen, a.DataLen) << i;
                EXPECT_EQ(std::memcmp(a.Data, b.Data, 8), 0) << i;
                // The remark names the event; codes without a text of their own come back as 0xFE.
                EXPECT_EQ(b.Reserved[0], a.Reserved[0] >= 225 && a.Reserved[0] <= 230
                                             ? a.Reserved[0]
                                         : a.Reserved[0] != 0 ? 0xFE
                                                              : 0)
                    << i;
                // Relative time is the stamp; clock time is the time of day.
                std::string shown;
                korvex::FormatTimeColumn(a, mode, corpus.origTimeList, shown);
                std::string again;
                korvex::FormatTimeColumn(b, 1, {}, again);
                if (!shown.empty()) {
                    EXPECT_EQ(again, shown) << i;
                }
                EXPECT_EQ(b.Reserved[1], korvex::kNoClockIndex) << i;
            }
        }
    }
    gEnglish = false;
}

TEST(CsvFormat, OwnExportInAnotherLanguageIsRefusedInOneMessage) {
    std::vector<std::pair<long long, std::string>> bad;
    korvex::formats::ReadResult result;
    const std::string english =
        "No.,Time,Alias,ID,Format,Type,DLC,Data,Comment\r\n"
        "0,00:00:01.000.0,,0x00000123,Data,Standard,0x01,\"01 \",\r\n"
        "1,00:00:01.000.0,,0x00000123,Data,Standard,0x01,\"01 \",\r\n";
    EXPECT_TRUE(ReadCsvText(english, &bad, &result).empty());
    ASSERT_EQ(bad.size(), 1u);
    EXPECT_EQ(bad[0].first, 2);
    EXPECT_EQ(result.status, korvex::formats::ReadStatus::kStrictStop);
    EXPECT_EQ(result.line, 2);
}

TEST(CsvFormat, OwnExportReportsTheRowsItCannotRead) {
    std::vector<std::pair<long long, std::string>> bad;
    korvex::formats::ReadResult result;
    const std::string text =
        "No.,Time,Alias,ID,Format,Type,DLC,Data,Comment\r\n"
        "0,00:00:01.000.0,,0x00000123,数据帧,标准帧,0x01,\"01 \",\r\n"
        "1,00:00:01.000.0,,0x00000123,Donnees,标准帧,0x01,\"01 \",\r\n"
        "2,00:00:01.000.0,,0x00000123,数据帧,Standard,0x01,\"01 \",\r\n"
        "3,00:00:01.000.0,,0x00000123,数据帧,标准帧,0x01,\"01 02 \",\r\n"
        "4,0:00:01.000,,0x00000123,数据帧,标准帧,0x01,\"01 \",\r\n"
        "5,00:00:01.000.0,,0x00000800,数据帧,标准帧,0x01,\"01 \",\r\n"
        "6,00:00:01.000.0,,0x00000123,数据帧,标准帧,0x01,\"01 \",\"not closed\r\n";
    EXPECT_EQ(ReadCsvText(text, &bad, &result).size(), 1u);
    EXPECT_EQ(bad, (std::vector<std::pair<long long, std::string>>{
                       {3, "frame format not known in this language"},
                       {4, "frame type not known in this language"},
                       {5, "bad data"},
                       {6, "bad time"},
                       {7, "bad identifier"},
                       {8, "a quoted field is not closed"}}));
    EXPECT_EQ(result.status, korvex::formats::ReadStatus::kOk);
}

TEST(CsvFormat, ReadsPythonCanCsvLogs) {
    std::vector<std::pair<long long, std::string>> bad;
    korvex::formats::ReadResult result;
    const std::vector<_VCI_CAN_OBJ> frames = ReadCsvText(
        "timestamp,arbitration_id,extended,remote,error,dlc,data\n"
        "1700000000.1234,0x123,0,0,0,2,AQI=\n"
        "1700000000.12419998,0x1abcdef0,1,0,0,8,AAECAwQFBgc=\n"
        "1700000000.2,0x7ff,0,1,0,5,\n"
        "1700000000.3,0x40,0,0,1,8,AAAAAAAGAAA=\n"
        "1700000000.4,0x100,0,0,0,12,AAAAAAAAAAAAAAAA\n"
        "1.7e9,0x5,0,0,0,0,\n"
        "1700000000.5,0x800,0,0,0,0,\n"
        "1700000000.6,0x5,0,0,0,1,A=A\n",
        &bad, &result);
    EXPECT_EQ(bad, (std::vector<std::pair<long long, std::string>>{
                       {8, "standard identifier beyond 0x7FF"}, {9, "data is not base64"}}));
    EXPECT_EQ(result.longFdFrames, 1);
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[0].ID, 0x123u);
    EXPECT_EQ(frames[0].DataLen, 2);
    EXPECT_EQ(frames[0].Data[1], 2);
    EXPECT_EQ(frames[0].TimeStamp, 1234u);  // 0.1 ms after the span's whole second
    EXPECT_EQ(frames[1].ExternFlag, 1);
    EXPECT_EQ(frames[1].TimeStamp, 1242u);  // the binary float's noise rounded away
    EXPECT_EQ(frames[1].Data[7], 7);
    EXPECT_EQ(frames[2].RemoteFlag, 1);
    EXPECT_EQ(frames[2].DataLen, 5);
    EXPECT_EQ(frames[3].Reserved[0], 230);  // bus off
    EXPECT_EQ(frames[3].Reserved[2], 6);
    EXPECT_EQ(frames[4].TimeStamp, 0u);
}

TEST(CsvFormat, DecodesBase64) {
    const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
        {"", {}},
        {"AQI=", {1, 2}},
        {"AQI", {1, 2}},
        {"/+8=", {0xFF, 0xEF}},
        {"AAECAwQFBgc=", {0, 1, 2, 3, 4, 5, 6, 7}}};
    for (const auto& [text, bytes] : cases) {
        std::uint8_t out[8];
        const auto n = korvex::formats::DecodeBase64(text, out, sizeof out);
        ASSERT_TRUE(n) << text;
        EXPECT_EQ(std::vector<std::uint8_t>(out, out + *n), bytes) << text;
    }
    std::uint8_t out[8];
    for (const char* bad : {"A", "A-B=", "AAECAwQFBgcI"})
        EXPECT_FALSE(korvex::formats::DecodeBase64(bad, out, sizeof out)) << bad;
}

std::vector<std::string> LinesOf(const std::string& text, std::vector<bool>* tooLong = nullptr) {
    std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    korvex::formats::CLineReader reader(file);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.Next(line)) {
        lines.emplace_back(line);
        if (tooLong) tooLong->push_back(reader.LineTooLong());
    }
    std::fclose(file);
    return lines;
}

TEST(LineReader, SplitsAtLineEndsWhateverTheBufferHolds) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(LinesOf("\xEF\xBB\xBF"
                      "a\r\nb\n\nc"),
              (Lines{"a", "b", "", "c"}));
    EXPECT_EQ(LinesOf("only\n"), (Lines{"only"}));
    EXPECT_EQ(LinesOf("x\r"), (Lines{"x"}));

    // Lines that straddle the buffer's refills come out whole.
    std::string big;
    Lines expected;
    for (int i = 0; i < 60000; ++i) {
        expected.push_back("(" + std::to_string(i) + ".000000) can0 123#" +
                           std::string(i % 17, 'A'));
        big += expected.back() + "\n";
    }
    EXPECT_EQ(LinesOf(big), expected);

    // An overlong line is flagged and skipped to its end; the next one is whole.
    std::vector<bool> flags;
    const Lines cut = LinesOf("ok\n" + std::string(3 << 16, 'x') + "\nnext\n", &flags);
    ASSERT_EQ(cut.size(), 3u);
    EXPECT_EQ(cut[0], "ok");
    EXPECT_TRUE(flags[1]);
    EXPECT_EQ(cut[2], "next");
    EXPECT_FALSE(flags[2]);
}

}  // namespace
