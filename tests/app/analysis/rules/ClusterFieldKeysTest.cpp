// A classification by the frame list's own texts groups by the frame's
// fields where the plug-in's texts follow from them. These tests hold that
// against comparing the texts themselves, with the real plug-in and with one
// whose texts take another form.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "app/analysis/rules/ClusterResult.h"
#include "app/resources/rules/BuiltInResources.h"
#include "core/FrameRowText.h"
#include "protolens/include/protolens.h"
#include "tests/support/RandomFrames.h"

namespace {

using korvex::CClusterResult;

std::atomic<long> partCalls{0};

int CountedPart(const _VCI_CAN_OBJ* frame, char** text, int column) {
    partCalls.fetch_add(1, std::memory_order_relaxed);
    return AnalyPartofCANFrame(frame, text, column);
}

// The plug-in's texts in lower case: the identifier and data texts no
// longer have the form the fields are read in; the frame words keep theirs.
int LowerCasePart(const _VCI_CAN_OBJ* frame, char** text, int column) {
    thread_local char buffer[128];
    char* plain = nullptr;
    AnalyPartofCANFrame(frame, &plain, column);
    std::size_t n = 0;
    for (; plain != nullptr && plain[n] != '\0' && n + 1 < sizeof buffer; ++n)
        buffer[n] = static_cast<char>(std::tolower(static_cast<unsigned char>(plain[n])));
    buffer[n] = '\0';
    *text = buffer;
    return 1;
}

template <typename CellTexts>
std::string ExportOf(const CClusterResult& result, const CellTexts& texts,
                     const korvex::PassSplit& split) {
    const std::vector<std::string> captions = {"0", "1", "2", "3", "4", "5", "6", "7", "8"};
    char* bytes = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&bytes, &size);
    EXPECT_TRUE(result.WriteExport(out, captions, texts, split));
    std::fclose(out);
    std::string text(bytes, size);
    std::free(bytes);
    return text;
}

class ClusterFieldKeysTest : public ::testing::Test {
  protected:
    void SetUp() override {
        korvex::InstallBuiltInResources();
        std::int32_t language = 0;
        IOCtl(15, &language, sizeof language, 0, 0);
        context.analyCANFrame = &AnalyCANFrame;
    }
    korvex::ExportRowContext context;
};

// The same groups, chains and flags, and the same export byte for byte, for
// every mix of columns: those read from the fields, those left to their
// texts (time, alias), and with texts of another form.
TEST_F(ClusterFieldKeysTest, GroupsAndExportsEqualThoseOfTheTexts) {
    std::mt19937 random(4711);
    const std::vector<_VCI_CAN_OBJ> frames = korvex::test::RandomOddFrames(random, 6000, 3);
    CCycleBuffer<_VCI_CAN_OBJ> store;
    store.Reset(static_cast<int>(frames.size()));
    store.PushRun(frames.data(), static_cast<int>(frames.size()));
    korvex::PassSplit split;
    split.threads = 3;
    split.blockItems = 500;
    context.alias = [](const _VCI_CAN_OBJ& f, std::string& text) {
        text = f.ID == 0x43D ? "brake" : "";
    };
    const korvex::ClusterCellTextFn texts = [this](int column, long long row,
                                                   const _VCI_CAN_OBJ& frame, std::string& text) {
        korvex::FormatCellText(row, frame, column, context, text);
    };
    const std::vector<std::vector<std::int32_t>> columnSets = {
        {3}, {7}, {3, 7}, {4, 5, 6}, {6, 8}, {3, 4, 5, 6, 7, 8}, {1, 3}, {2, 7}};
    for (korvex::AnalyPartofCANFrameFn part : {&CountedPart, &LowerCasePart}) {
        context.analyPartofCANFrame = part;
        for (const std::vector<std::int32_t>& columns : columnSets) {
            const std::string which = std::to_string(columns.size()) + " columns from " +
                                      std::to_string(columns[0]) +
                                      (part == &LowerCasePart ? ", lower case" : "");
            CClusterResult byFields;
            CClusterResult byTexts;
            partCalls = 0;
            ASSERT_TRUE(byFields.Run(store, columns, context, split));
            const long callsByFields = partCalls;
            ASSERT_TRUE(byTexts.Run(store, columns, texts, split));
            EXPECT_EQ(byFields.Grouping().heads, byTexts.Grouping().heads) << which;
            EXPECT_EQ(byFields.Grouping().members, byTexts.Grouping().members) << which;
            EXPECT_EQ(byFields.Grouping().nextMember, byTexts.Grouping().nextMember) << which;
            // Columns read from the fields ask the plug-in on the probes only.
            const bool onlyFields = part == &CountedPart && columns[0] != 1 && columns[0] != 2;
            if (onlyFields) {
                EXPECT_LT(callsByFields, 2000) << which;
            }
            byFields.UnfoldAll();
            byTexts.UnfoldAll();
            EXPECT_EQ(ExportOf(byFields, context, split), ExportOf(byTexts, texts, split)) << which;
        }
    }
    // The frames repeat enough for groups to have members.
    CClusterResult byIdentifier;
    byIdentifier.Run(store, {3}, context, split);
    EXPECT_LT(byIdentifier.GroupCount(), frames.size() / 2);
}

}  // namespace
