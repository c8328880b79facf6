#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/analysis/rules/AliasEditor.h"
#include "app/analysis/rules/AliasRules.h"
#include "app/resources/rules/BuiltInResources.h"
#include "share/KeyMatch.h"

namespace {

using korvex::AliasFields;
using korvex::CAliasEditor;

class AliasRulesTest : public ::testing::Test {
  protected:
    void SetUp() override { korvex::InstallBuiltInResources(); }
};

AliasFields Fields(int field, std::string value, int choice = 0) {
    return {field, std::move(value), choice};
}

_VCI_CAN_OBJ DataFrame(std::uint8_t length, std::initializer_list<std::uint8_t> bytes) {
    _VCI_CAN_OBJ f{};
    f.DataLen = length;
    int i = 0;
    for (std::uint8_t b : bytes) f.Data[i++] = b;
    return f;
}

TEST_F(AliasRulesTest, DataPatternsReadIntoKeys) {
    struct Case {
        const char* text;
        std::uint32_t refusal;
        std::uint32_t n;
        int start, end;
        std::vector<std::uint8_t> bytes;  // positions start … end-1
    };
    const Case cases[] = {
        {"** FF AA 11 ** ** ** **", 0, 8, 1, 4, {0xFF, 0xAA, 0x11}},
        {"11 22 ** 44 ** ** ** **", 0, 8, 0, 2, {0x11, 0x22}},
        {"** FF", 0, 2, 1, 2, {0xFF}},
        {"a5", 0, 1, 0, 1, {0xA5}},
        {"01 02 03 04 05 06 07 08 09 0A", 0, 8, 0, 8, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"** ** ** ** ** ** ** **", korvex::kStrDataPatternHelp, 0, 0, 0, {}},
        {"", korvex::kStrDataPatternHelp, 0, 0, 0, {}},
        {"7", korvex::kStrDataPatternHelp, 0, 0, 0, {}},
        {"** ZZ", korvex::kStrDataPatternHelp, 0, 0, 0, {}},
    };
    for (const Case& c : cases) {
        OBJKEY key;
        EXPECT_EQ(korvex::ReadAliasKey(Fields(kKeyDataBytes, c.text), key), c.refusal) << c.text;
        if (c.refusal != 0) continue;
        EXPECT_EQ(key.icolInd, kKeyDataBytes) << c.text;
        EXPECT_EQ(key.dwData, c.n) << c.text;
        EXPECT_EQ(key.bStart, c.start) << c.text;
        EXPECT_EQ(key.bEnd, c.end) << c.text;
        EXPECT_EQ(key.dwMask, 0u) << c.text;
        for (std::size_t i = 0; i < c.bytes.size(); ++i)
            EXPECT_EQ(key.bDataArr[c.start + static_cast<int>(i)], c.bytes[i]) << c.text;
    }
}

TEST_F(AliasRulesTest, PatternKeysMatchOnlyTheirLengthAndRun) {
    OBJKEY key;
    ASSERT_EQ(korvex::ReadAliasKey(Fields(kKeyDataBytes, "** FF"), key), 0u);
    EXPECT_EQ(name_share::IsOBJKeyEqual(key, DataFrame(2, {0x00, 0xFF})), 1);
    EXPECT_EQ(name_share::IsOBJKeyEqual(key, DataFrame(3, {0x00, 0xFF})), 0);
    EXPECT_EQ(name_share::IsOBJKeyEqual(key, DataFrame(2, {0x00, 0xFE})), 0);

    ASSERT_EQ(korvex::ReadAliasKey(Fields(kKeyDataBytes, "11 22 ** 44 ** ** ** **"), key), 0u);
    EXPECT_EQ(name_share::IsOBJKeyEqual(key, DataFrame(8, {0x11, 0x22, 0, 0})), 1);
    EXPECT_EQ(name_share::IsOBJKeyEqual(key, DataFrame(7, {0x11, 0x22, 0, 0x44})), 0);
}

TEST_F(AliasRulesTest, OtherFieldsReadIntoKeys) {
    struct Case {
        AliasFields fields;
        std::uint32_t refusal;
        std::uint32_t value;
        std::uint32_t mask;
    };
    const Case cases[] = {
        {Fields(kKeyIdentifier, "123"), 0, 0x123, 0xFFFFFFFF},
        {Fields(kKeyIdentifier, " 0x1abc"), 0, 0x1ABC, 0xFFFFFFFF},
        {Fields(kKeyIdentifier, "12g"), 0, 0x12, 0xFFFFFFFF},
        {Fields(kKeyIdentifier, "Motor"), korvex::kStrValueNotHex, 0, 0},
        {Fields(kKeyIdentifier, "Engine"), 0, 0xE, 0xFFFFFFFF},
        {Fields(kKeyIdentifier, ""), korvex::kStrValueNotHex, 0, 0},
        {Fields(kKeyDataLength, "8"), 0, 8, 0},
        {Fields(kKeyDataLength, "x8"), korvex::kStrValueNotHex, 0, 0},
        {Fields(kKeyRemote, "", 1), 0, 1, 0},
        {Fields(kKeyExtended, "ignored", 0), 0, 0, 0},
    };
    for (const Case& c : cases) {
        OBJKEY key;
        EXPECT_EQ(korvex::ReadAliasKey(c.fields, key), c.refusal) << c.fields.value;
        if (c.refusal != 0) continue;
        EXPECT_EQ(key.icolInd, c.fields.field);
        EXPECT_EQ(key.dwData, c.value) << c.fields.value;
        EXPECT_EQ(key.dwMask, c.mask) << c.fields.value;
    }
}

TEST_F(AliasRulesTest, LineTextsAndTheirWayBackIntoTheFields) {
    struct Case {
        AliasFields fields;
        const char* line;
        const char* shownValue;  // the edit text after a double-click
    };
    const Case cases[] = {
        {Fields(kKeyIdentifier, "123"), "当帧ID为0x123时别名为N", "123"},
        {Fields(kKeyRemote, "", 1), "当帧格式为远程帧时别名为N", ""},
        {Fields(kKeyExtended, "", 0), "当帧类型为标准帧时别名为N", ""},
        {Fields(kKeyDataLength, "a"), "当数据长度为0xA时别名为N", "A"},
        {Fields(kKeyDataBytes, "** FF AA 11 ** ** ** **"),
         "当数据(HEX)为** FF AA 11 ** ** ** ** 时别名为N", "** FF AA 11 ** ** ** ** "},
    };
    for (const Case& c : cases) {
        AliasEntry entry;
        ASSERT_EQ(korvex::ReadAliasKey(c.fields, entry.key), 0u);
        entry.strName = "N";
        EXPECT_EQ(korvex::AliasLineText(entry), c.line);
        const AliasFields back = korvex::AliasFieldsFromKey(entry.key);
        EXPECT_EQ(back.field, c.fields.field);
        EXPECT_EQ(back.value, c.shownValue);
        EXPECT_EQ(back.choice, c.fields.choice);
        OBJKEY again;
        ASSERT_EQ(korvex::ReadAliasKey(back, again), 0u);
        EXPECT_EQ(again, entry.key) << c.line;
    }
    // A name is text, never a format.
    AliasEntry entry;
    ASSERT_EQ(korvex::ReadAliasKey(Fields(kKeyIdentifier, "1"), entry.key), 0u);
    entry.strName = "%s%d%n";
    EXPECT_EQ(korvex::AliasLineText(entry), "当帧ID为0x1时别名为%s%d%n");
}

TEST_F(AliasRulesTest, AddRenamesTheSameKeyInPlace) {
    CAliasEditor editor({});
    int line = -1;
    ASSERT_EQ(editor.Add(Fields(kKeyIdentifier, "123"), "Engine", line), 0u);
    ASSERT_EQ(editor.Add(Fields(kKeyIdentifier, "200"), "Brake", line), 0u);
    ASSERT_EQ(editor.Lines().size(), 2u);
    EXPECT_EQ(editor.Lines()[0].text, "当帧ID为0x123时别名为Engine");

    ASSERT_EQ(editor.Add(Fields(kKeyIdentifier, "0x123"), "Motor", line), 0u);
    EXPECT_EQ(line, 0);
    ASSERT_EQ(editor.Lines().size(), 2u);
    EXPECT_EQ(editor.Lines()[0].text, "当帧ID为0x123时别名为Motor");
    EXPECT_EQ(editor.Lines()[0].entry.strName, "Motor");

    // Refusals change nothing.
    EXPECT_EQ(editor.Add(Fields(kKeyDataBytes, "** ** ** ** ** ** ** **"), "X", line),
              korvex::kStrDataPatternHelp);
    EXPECT_EQ(editor.Add(Fields(kKeyIdentifier, "Motor"), "X", line), korvex::kStrValueNotHex);
    EXPECT_EQ(editor.Lines().size(), 2u);
}

TEST_F(AliasRulesTest, LinesStaySortedAndOkKeepsListOrder) {
    CAliasEditor editor({});
    int line = -1;
    for (const char* id : {"300", "100", "200"})
        ASSERT_EQ(editor.Add(Fields(kKeyIdentifier, id), std::string("n") + id, line), 0u);
    EXPECT_EQ(line, 1);
    const std::vector<AliasEntry> entries = editor.Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].strName, "n100");
    EXPECT_EQ(entries[1].strName, "n200");
    EXPECT_EQ(entries[2].strName, "n300");
    // Reopening sorts stored rules the same way.
    const CAliasEditor reopened({entries[2], entries[0], entries[1]});
    EXPECT_EQ(reopened.Entries()[0].strName, "n100");
    EXPECT_EQ(reopened.FindLine("当帧ID为0x300时别名为n300"), 2);
    EXPECT_EQ(reopened.FindLine("当帧ID为0x300时别名为n30"), -1);
}

TEST_F(AliasRulesTest, DeleteLeavesTheLineBeforeTheFirstRemovedCurrent) {
    struct Case {
        std::vector<int> selected;
        int current;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {{4, 2, 3}, 1, {"n1", "n2", "n6"}},
        {{0, 1, 5}, 0, {"n3", "n4", "n5"}},
        {{0, 1, 2, 3, 4, 5}, -1, {}},
        {{}, -1, {"n1", "n2", "n3", "n4", "n5", "n6"}},
        {{9, -1}, -1, {"n1", "n2", "n3", "n4", "n5", "n6"}},
    };
    for (const Case& c : cases) {
        CAliasEditor editor({});
        int line = -1;
        for (int i = 1; i <= 6; ++i)
            ASSERT_EQ(editor.Add(Fields(kKeyDataLength, std::to_string(i)), "n" + std::to_string(i),
                                 line),
                      0u);
        EXPECT_EQ(editor.Delete(c.selected), c.current);
        std::vector<std::string> left;
        for (const auto& l : editor.Lines()) left.push_back(l.entry.strName);
        EXPECT_EQ(left, c.left);
    }
}

TEST_F(AliasRulesTest, CancelLeavesTheStoredRules) {
    AliasEntry stored;
    ASSERT_EQ(korvex::ReadAliasKey(Fields(kKeyIdentifier, "7"), stored.key), 0u);
    stored.key.pBuf = {1, 2};
    stored.strName = "kept";
    const std::vector<AliasEntry> list = {stored};
    {
        CAliasEditor editor(list);
        int line = -1;
        ASSERT_EQ(editor.Add(Fields(kKeyIdentifier, "8"), "new", line), 0u);
        EXPECT_EQ(editor.Delete({0, 1}), -1);
    }
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].strName, "kept");
    EXPECT_EQ(list[0].key.pBuf, (std::vector<std::uint8_t>{1, 2}));
}

TEST_F(AliasRulesTest, DialogPositionPacking) {
    int left = 0;
    int top = 0;
    EXPECT_EQ(korvex::PackDialogPosition(0x12, 0x34), 0x340012);
    ASSERT_TRUE(korvex::UnpackDialogPosition(0x340012, left, top));
    EXPECT_EQ(left, 0x12);
    EXPECT_EQ(top, 0x34);
    EXPECT_FALSE(korvex::UnpackDialogPosition(-1, left, top));
    EXPECT_FALSE(korvex::UnpackDialogPosition(0, left, top));
}

}  // namespace
