#include <gtest/gtest.h>

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
