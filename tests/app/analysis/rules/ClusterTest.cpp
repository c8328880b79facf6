#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "app/analysis/rules/ClusterColumns.h"
#include "app/analysis/rules/ClusterResult.h"
#include "tests/support/FrameFactory.h"
#include "tests/support/TempFolder.h"

namespace korvex {
namespace {

// Stands in for the frame list's cells: 3 the identifier, 6 the length, 7 the
// data bytes, anything else the time stamp.
void FakeCellText(int column, long long, const _VCI_CAN_OBJ& frame, std::string& text) {
    char buffer[64];
    if (column == 3) {
        std::snprintf(buffer, sizeof buffer, "0x%08X", frame.ID);
    } else if (column == 6) {
        std::snprintf(buffer, sizeof buffer, "%u", frame.DataLen);
    } else if (column == 7) {
        std::snprintf(buffer, sizeof buffer, "%02X %02X", frame.Data[0], frame.Data[1]);
    } else {
        std::snprintf(buffer, sizeof buffer, "t%u", frame.TimeStamp);
    }
    text = buffer;
}

_VCI_CAN_OBJ Frame(std::uint32_t id, std::uint8_t d0 = 0, std::uint32_t stamp = 0) {
    _VCI_CAN_OBJ f = test::MakeFrame(id, stamp);
    f.Data[0] = d0;
    return f;
}

std::vector<std::string> Column0(const CClusterResult& result) {
    std::vector<std::string> texts;
    std::string text;
    for (std::size_t r = 0; r < result.RowCount(); ++r) {
        result.RowText(r, 0, FakeCellText, text);
        texts.push_back(text);
    }
    return texts;
}

using Strings = std::vector<std::string>;

TEST(ClusterColumnsTest, StaySortedWithoutDuplicates) {
    struct Case {
        std::vector<std::int32_t> adds;
        std::vector<std::int32_t> expected;
    };
    const Case cases[] = {
        {{5, 3, 7}, {3, 5, 7}},
        {{5, 5, 3, 5}, {3, 5}},
        {{0, 8, 1}, {0, 1, 8}},
    };
    for (const Case& c : cases) {
        std::vector<std::int32_t> columns;
        for (std::int32_t add : c.adds) AddClusterColumn(columns, add);
        EXPECT_EQ(columns, c.expected);
    }
    std::vector<std::int32_t> columns = {3, 5, 7};
    EXPECT_EQ(AddClusterColumn(columns, 5), -1);
    EXPECT_EQ(AddClusterColumn(columns, 4), 1);  // the list box line goes in at the same place
    EXPECT_FALSE(DeleteClusterColumn(columns, 4));
    EXPECT_FALSE(DeleteClusterColumn(columns, -1));
    EXPECT_TRUE(DeleteClusterColumn(columns, 0));
    EXPECT_EQ(columns, (std::vector<std::int32_t>{4, 5, 7}));
}

TEST(ClusterResultTest, GroupsRowsAndHighlight) {
    const std::vector<_VCI_CAN_OBJ> frames = {Frame(0x100, 1), Frame(0x200), Frame(0x100, 2),
                                              Frame(0x300),    Frame(0x200), Frame(0x100, 1),
                                              Frame(0x200)};
    struct Case {
        std::vector<std::int32_t> columns;
        Strings heads;
        std::vector<bool> red;
    };
    const Case cases[] = {
        // Same identifier, different data: one red group; identical frames: plain.
        // 0x100 at 5 joins the group made before 0x200 and 0x300.
        {{3}, {"0(3)", "1(3)", "3(1)"}, {true, false, false}},
        {{3, 7}, {"0(2)", "1(3)", "2(1)", "3(1)"}, {false, false, false, false}},
        // No column, or column 0 first: a row of its own for every frame.
        {{}, {"0(1)", "1(1)", "2(1)", "3(1)", "4(1)", "5(1)", "6(1)"}, std::vector<bool>(7)},
        {{0, 3}, {"0(1)", "1(1)", "2(1)", "3(1)", "4(1)", "5(1)", "6(1)"}, std::vector<bool>(7)},
    };
    for (const Case& c : cases) {
        CClusterResult result;
        result.Run(frames, c.columns, FakeCellText);
        EXPECT_EQ(Column0(result), c.heads);
        for (std::size_t r = 0; r < c.red.size(); ++r) EXPECT_EQ(result.Highlighted(r), c.red[r]);
    }
}

TEST(ClusterResultTest, SnapshotOfTheStoreAndCellTexts) {
    CCycleBuffer<_VCI_CAN_OBJ> store;
    for (std::uint32_t i = 0; i < 3; ++i) store.Push(Frame(0x10 + i % 2, 0, 100 + i));
    CClusterResult result;
    result.Run(store, {3}, FakeCellText);
    store.Push(Frame(0x10));  // later frames do not disturb the result
    EXPECT_EQ(Column0(result), (Strings{"0(2)", "1(1)"}));
    std::string text;
    result.RowText(0, 3, FakeCellText, text);
    EXPECT_EQ(text, "0x00000010");
    result.RowText(1, 5, FakeCellText, text);
    EXPECT_EQ(text, "t101");
    result.RowText(2, 3, FakeCellText, text);  // past the end
    EXPECT_EQ(text, "");
}

TEST(ClusterResultTest, UnfoldFoldAndGoToFrame) {
    CClusterResult result;
    result.Run({Frame(1), Frame(2), Frame(1), Frame(1), Frame(3)}, {3}, FakeCellText);
    ASSERT_EQ(Column0(result), (Strings{"0(3)", "1(1)", "4(1)"}));

    // A head of one frame goes to its frame.
    ClusterClick click = result.DoubleClick(1);
    EXPECT_EQ(click.kind, ClusterClick::kGoToFrame);
    EXPECT_EQ(click.frame, 1);

    click = result.DoubleClick(0);
    EXPECT_EQ(click.kind, ClusterClick::kToggled);
    EXPECT_EQ(Column0(result), (Strings{"0(3)", "2", "3", "1(1)", "4(1)"}));
    EXPECT_FALSE(result.Row(1).last);
    EXPECT_TRUE(result.Row(2).last);
    EXPECT_TRUE(result.Row(0).unfolded);

    // A member row goes to its frame; the indent click folds the head.
    click = result.DoubleClick(2);
    EXPECT_EQ(click.kind, ClusterClick::kGoToFrame);
    EXPECT_EQ(click.frame, 3);
    EXPECT_FALSE(result.IndentClick(0, 1, 3, 16));   // not column 0
    EXPECT_FALSE(result.IndentClick(0, 0, 32, 16));  // past two indent levels
    EXPECT_TRUE(result.IndentClick(0, 0, 31, 16));
    EXPECT_EQ(Column0(result), (Strings{"0(3)", "1(1)", "4(1)"}));
    EXPECT_FALSE(result.IndentClick(1, 0, 3, 16));  // a head without members

    result.UnfoldAll();
    EXPECT_EQ(Column0(result), (Strings{"0(3)", "2", "3", "1(1)", "4(1)"}));
    EXPECT_TRUE(result.Row(2).last);
    EXPECT_EQ(result.DoubleClick(0).kind, ClusterClick::kToggled);
    EXPECT_EQ(result.RowCount(), 3u);
}

TEST(ClusterResultTest, ExportWritesTheRowsAsShown) {
    test::TempFolder folder;
    CClusterResult result;
    result.Run({Frame(1, 0, 7), Frame(1, 0, 9)}, {3}, FakeCellText);
    result.Toggle(0);
    const std::vector<std::string> captions = {"序号", "时间", "别名", "ID"};
    const auto path = folder / "out.txt";
    ASSERT_EQ(result.WriteExportFile(path, captions, FakeCellText), ClusterExportStatus::kOk);
    EXPECT_EQ(
        test::ReadBytes(path),
        "序号\t时间\t别名\tID\t\r\n0(2)\tt7\tt7\t0x00000001\t\r\n1\tt9\tt9\t0x00000001\t\r\n");
    EXPECT_EQ(result.WriteExportFile(folder / "none/out.txt", captions, FakeCellText),
              ClusterExportStatus::kCannotCreate);
}

// The grouping as a plain reading of the rule: each frame is compared with
// the head of every group in creation order.
std::vector<std::vector<std::int32_t>> LinearGroups(const std::vector<_VCI_CAN_OBJ>& frames,
                                                    const std::vector<std::int32_t>& columns) {
    // Each frame's texts, made once.
    std::vector<Strings> texts(frames.size());
    for (std::size_t f = 0; f < frames.size(); ++f) {
        for (std::int32_t c : columns) {
            texts[f].emplace_back();
            FakeCellText(c, 0, frames[f], texts[f].back());
        }
    }
    std::vector<std::vector<std::int32_t>> groups;
    for (std::size_t f = 0; f < frames.size(); ++f) {
        bool joined = false;
        for (auto& group : groups) {
            bool same = true;
            for (std::size_t c = 0; c < columns.size(); ++c)
                same = same && texts[f][c] == texts[static_cast<std::size_t>(group[0])][c];
            if (same) {
                group.push_back(static_cast<std::int32_t>(f));
                joined = true;
                break;
            }
        }
        if (!joined) groups.push_back({static_cast<std::int32_t>(f)});
    }
    return groups;
}

TEST(ClusterResultTest, HashGroupingMatchesTheLinearScan) {
    std::mt19937 random(13);
    const std::vector<std::int32_t> columnSets[] = {{3}, {3, 7}, {6, 7}, {3, 6, 7}};
    for (int round = 0; round < 8; ++round) {
        std::vector<_VCI_CAN_OBJ> frames(1500);
        for (_VCI_CAN_OBJ& frame : frames) {
            frame = Frame(random() % 40, static_cast<std::uint8_t>(random() % 3));
            frame.DataLen = static_cast<std::uint8_t>(random() % 3);
        }
        for (const auto& columns : columnSets) {
            CClusterResult result;
            result.Run(frames, columns, FakeCellText);
            const auto expected = LinearGroups(frames, columns);
            ASSERT_EQ(result.RowCount(), expected.size());
            for (std::size_t g = 0; g < expected.size(); ++g) {
                std::vector<std::int32_t> got = {result.Row(g).frame};
                const auto members = ClusterMembers(result.Grouping(), result.Row(g).group);
                got.insert(got.end(), members.begin(), members.end());
                ASSERT_EQ(got, expected[g]);
                bool uniform = true;
                for (std::int32_t m : members)
                    uniform = uniform && SameClusterFrame(frames[static_cast<std::size_t>(m)],
                                                          frames[static_cast<std::size_t>(got[0])]);
                EXPECT_EQ(result.Uniform(result.Row(g)), uniform);
            }
        }
    }
}

TEST(ClusterResultTest, IdenticalFramesIgnoreBytesPastTheLength) {
    _VCI_CAN_OBJ a = Frame(1, 5);
    _VCI_CAN_OBJ b = a;
    a.DataLen = b.DataLen = 1;
    b.Data[3] = 0x77;
    b.TimeStamp = 99;
    EXPECT_TRUE(SameClusterFrame(a, b));
    b.Data[0] = 6;
    EXPECT_FALSE(SameClusterFrame(a, b));
    a.DataLen = b.DataLen = 200;  // a damaged length compares the eight bytes only
    EXPECT_FALSE(SameClusterFrame(a, b));
}

}  // namespace
}  // namespace korvex

namespace korvex {
namespace {

std::vector<_VCI_CAN_OBJ> RandomClusterFrames(std::mt19937& random, int count, int ids) {
    std::vector<_VCI_CAN_OBJ> frames(static_cast<std::size_t>(count));
    for (_VCI_CAN_OBJ& frame : frames) {
        frame = Frame(random() % static_cast<unsigned>(ids),
                      static_cast<std::uint8_t>(random() % 3), random());
        frame.DataLen = static_cast<std::uint8_t>(random() % 3);
    }
    return frames;
}

// Split over cores in small blocks, the grouping and the export are those of
// one pass: the same groups in the same order, the same chains and flags,
// the same bytes; also when nearly every frame is a group of its own.
TEST(ClusterResultTest, SplitRunEqualsOnePass) {
    std::mt19937 random(99);
    for (int ids : {40, 100000}) {
        const std::vector<_VCI_CAN_OBJ> frames = RandomClusterFrames(random, 20000, ids);
        for (const std::vector<std::int32_t>& columns :
             {std::vector<std::int32_t>{3}, {3, 7}, {6, 7}}) {
            std::vector<ClusterGrouping> groupings;
            std::vector<std::string> exports;
            for (unsigned threads : {1u, 2u, 5u}) {
                PassSplit split;
                split.threads = threads;
                split.blockItems = 333;
                CClusterResult result;
                ASSERT_TRUE(result.Run(frames, columns, FakeCellText, split));
                groupings.push_back(result.Grouping());
                test::TempFolder folder;
                ASSERT_EQ(result.WriteExportFile(folder / "x.txt", {"a", "b", "c", "d"},
                                                 FakeCellText, split),
                          ClusterExportStatus::kOk);
                exports.push_back(test::ReadBytes(folder / "x.txt"));
            }
            for (std::size_t k = 1; k < groupings.size(); ++k) {
                EXPECT_EQ(groupings[k].heads, groupings[0].heads) << ids << " " << k;
                EXPECT_EQ(groupings[k].members, groupings[0].members) << ids << " " << k;
                EXPECT_EQ(groupings[k].nextMember, groupings[0].nextMember) << ids << " " << k;
                EXPECT_EQ(exports[k], exports[0]) << ids << " " << k;
            }
            const auto expected = LinearGroups(frames, columns);
            ASSERT_EQ(groupings[0].Count(), expected.size());
            for (std::size_t g = 0; g < expected.size(); ++g) {
                std::vector<std::int32_t> got = {groupings[0].heads[g]};
                const auto members = ClusterMembers(groupings[0], g);
                got.insert(got.end(), members.begin(), members.end());
                ASSERT_EQ(got, expected[g]) << g;
            }
        }
    }
}

// Texts are compared column by column: "ab" + "c" is not "a" + "bc".
TEST(ClusterResultTest, ColumnsAreComparedOneByOne) {
    const ClusterCellTextFn split = [](int column, long long, const _VCI_CAN_OBJ& f,
                                       std::string& text) {
        const bool even = f.ID % 2 == 0;
        text = column == 3 ? (even ? "ab" : "a") : (even ? "c" : "bc");
    };
    CClusterResult result;
    result.Run({Frame(0), Frame(1), Frame(2), Frame(3)}, {3, 7}, split);
    EXPECT_EQ(Column0(result), (Strings{"0(2)", "1(2)"}));
}

}  // namespace
}  // namespace korvex
