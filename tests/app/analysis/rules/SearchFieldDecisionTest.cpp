// The search decides some columns from the frame's fields. These tests hold
// those decisions against the text path, with the real plug-in's texts, on
// random frames and condition texts, one condition at a time.
#include "app/analysis/rules/SearchFieldDecision.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/analysis/rules/FrameSearch.h"
#include "app/common/rules/HexText.h"
#include "app/resources/rules/BuiltInResources.h"
#include "core/FrameRowText.h"
#include "protolens/include/protolens.h"
#include "tests/support/RandomFrames.h"

namespace {

using korvex::SearchRequest;

// Texts a user might type: numbers in every spelling, the frame words, parts
// of the remark texts, and things that are no number at all.
const char* const kTexts[] = {
    "43d",        "0x43D",  " 0x0000043d ", "43C",      "-1",        "ffffffff",     "7fffffff",
    "80000000",   "0",      "0x0",          "1fffffff", "8",         "0x08",         "9",
    "ff",         "100",    "0x",           "g",        "12abc",     "数据帧",       "远程帧",
    "标准帧",     "扩展帧", "帧",           "x",        "CAN控制器", "总线关闭错误", "没有错误",
    "\t没有错误", "FIFO",   "0b1",          "+5"};

std::string TextPathCell(const _VCI_CAN_OBJ& f, int column, const korvex::ExportRowContext& c) {
    std::string cell;
    korvex::FormatCellText(0, f, column, c, cell);
    korvex::ToLowerAscii(cell.data(), cell.size());
    return cell;
}

class SearchFieldDecisionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        korvex::InstallBuiltInResources();
        std::int32_t language = 0;
        IOCtl(15, &language, sizeof language, 0, 0);
        context.analyPartofCANFrame = &AnalyPartofCANFrame;
        context.analyCANFrame = &AnalyCANFrame;
    }
    korvex::ExportRowContext context;
};

// Every condition alone and the greater/less pairs, on the identifier,
// format, type, length and remark columns: the decision agrees with the text
// path on every frame. Contains on the identifier is left to the text path.
TEST_F(SearchFieldDecisionTest, DecisionsEqualTheTextPathConditionByCondition) {
    std::mt19937 random(20240611);
    const std::vector<_VCI_CAN_OBJ> frames = korvex::test::RandomOddFrames(random, 3000);
    long long hits = 0;
    for (int column : {3, 4, 5, 6, 8}) {
        std::vector<std::vector<int>> conditionSets = {{0}, {1}, {2}, {3}, {4}, {3, 4}};
        for (const std::vector<int>& set : conditionSets) {
            for (const char* text : kTexts) {
                SearchRequest request;
                request.column = column;
                for (int c : set) {
                    request.ticked[static_cast<std::size_t>(c)] = true;
                    request.texts[static_cast<std::size_t>(c)] = text;
                }
                request.texts[korvex::kLess] = set.size() == 2 ? "0x43e" : request.texts[4];
                const korvex::CSearchMatcher matcher(request);
                const korvex::CSearchFieldDecision decision(column, matcher, context);
                const bool containsOnIdentifier = column == 3 && set[0] == korvex::kContains;
                ASSERT_EQ(decision.Decides(), !containsOnIdentifier) << column << " " << set[0];
                if (!decision.Decides()) continue;
                // Marked in one run (vectorised groups and a shorter last one)
                // as decided frame by frame.
                std::vector<std::uint8_t> marks(frames.size(), 2);
                decision.MarkHits(frames.data(), static_cast<int>(frames.size()), marks.data());
                int mismatches = 0;
                for (std::size_t i = 0; i < frames.size(); ++i) {
                    const bool byText = matcher.Matches(TextPathCell(frames[i], column, context));
                    mismatches += byText != decision.Matches(frames[i]);
                    mismatches += marks[i] != (byText ? 1 : 0);
                    hits += byText;
                }
                EXPECT_EQ(mismatches, 0)
                    << "column " << column << " condition " << set[0] << " text '" << text << "'";
            }
        }
    }
    EXPECT_GT(hits, 10000);  // the texts do find frames
}

// A column whose texts do not follow the form a decision assumes is searched
// by its texts: an identifier shown without "0x" and padding, a format word
// that also depends on the length.
int OtherPart(const _VCI_CAN_OBJ* frame, char** text, int column) {
    thread_local char buffer[32];
    if (column == 3) std::snprintf(buffer, sizeof buffer, "%X", frame->ID);
    if (column == 4) std::snprintf(buffer, sizeof buffer, "%s", frame->DataLen > 4 ? "L" : "S");
    if (column == 6) std::snprintf(buffer, sizeof buffer, "%d", frame->DataLen);
    *text = buffer;
    return 1;
}

TEST_F(SearchFieldDecisionTest, ColumnsOfAnotherFormAreLeftToTheText) {
    context.analyPartofCANFrame = &OtherPart;
    SearchRequest request;
    request.ticked[korvex::kEqual] = true;
    request.texts[korvex::kEqual] = "8";
    const korvex::CSearchMatcher matcher(request);
    EXPECT_FALSE(korvex::CSearchFieldDecision(3, matcher, context).Decides());
    EXPECT_FALSE(korvex::CSearchFieldDecision(4, matcher, context).Decides());
    EXPECT_TRUE(korvex::CSearchFieldDecision(6, matcher, context).Decides());
    EXPECT_FALSE(korvex::CSearchFieldDecision(7, matcher, context).Decides());
}

// Split over threads in small blocks, by decision and by text, a search
// finds the hits one pass finds, in the same order.
TEST_F(SearchFieldDecisionTest, SplitSearchEqualsOnePass) {
    std::mt19937 random(7);
    const std::vector<_VCI_CAN_OBJ> frames = korvex::test::RandomOddFrames(random, 20000);
    CCycleBuffer<_VCI_CAN_OBJ> store;
    store.Reset(static_cast<int>(frames.size()));
    store.PushRun(frames.data(), static_cast<int>(frames.size()));
    const struct {
        int column;
        korvex::SearchCondition condition;
        const char* text;
    } searches[] = {{3, korvex::kEqual, "43d"},  {3, korvex::kContains, "43"},
                    {6, korvex::kGreater, "3"},  {7, korvex::kContains, "a"},
                    {8, korvex::kNotEqual, "1"}, {1, korvex::kContains, "5"}};
    for (const auto& s : searches) {
        SearchRequest request;
        request.column = s.column;
        request.ticked[s.condition] = true;
        request.texts[s.condition] = s.text;
        std::vector<std::vector<std::int32_t>> found;
        for (unsigned threads : {1u, 3u}) {
            korvex::PassSplit split;
            split.threads = threads;
            split.blockItems = 777;
            korvex::CSearchResults results;
            const korvex::SearchOutcome outcome =
                korvex::RunFrameSearch(request, false, store, context, results, split);
            std::vector<std::int32_t> sources;
            for (int k = 0; k < outcome.count; ++k) {
                sources.push_back(results.Source(k));
                ASSERT_EQ(std::memcmp(results.Frame(k), &frames[results.Source(k)], 24), 0);
            }
            found.push_back(sources);
        }
        EXPECT_EQ(found[0], found[1]) << s.column << " " << s.text;
        EXPECT_FALSE(found[0].empty()) << s.column << " " << s.text;
    }
}

}  // namespace
