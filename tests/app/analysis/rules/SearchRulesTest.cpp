#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/analysis/rules/FrameSearch.h"
#include "app/analysis/rules/SearchChecks.h"
#include "app/analysis/rules/SearchHistory.h"
#include "app/common/rules/HexText.h"
#include "app/resources/rules/BuiltInResources.h"

namespace {

using korvex::CSearchChecks;
using korvex::CSearchHistory;
using korvex::CSearchMatcher;
using korvex::SearchRequest;

SearchRequest Request(korvex::SearchCondition condition, std::string text, int column = 3) {
    SearchRequest r;
    r.column = column;
    r.ticked[condition] = true;
    r.texts[condition] = std::move(text);
    return r;
}

bool Holds(korvex::SearchCondition condition, const char* text, const char* cell) {
    std::string lower = cell;
    korvex::ToLowerAscii(lower.data(), lower.size());
    return CSearchMatcher(Request(condition, text)).Matches(lower);
}

TEST(SearchRules, HexReadingFollowsTheScanConversion) {
    struct Case {
        const char* text;
        bool read;
        std::uint32_t value;
    };
    const Case cases[] = {
        {"12", true, 0x12},       {"  0x12", true, 0x12},   {"012", true, 0x12},
        {"12 34 56", true, 0x12}, {"7FFg", true, 0x7FF},    {"0x", true, 0},
        {"0xg", true, 0},         {"-1", true, 0xFFFFFFFF}, {"123456789", true, 0x23456789},
        {"", false, 0},           {"g1", false, 0},         {"数据帧", false, 0},
        {"x12", false, 0},        {" \t", false, 0},
    };
    std::uint32_t v = 0;
    for (const Case& c : cases) {
        v = 0xDEAD;
        EXPECT_EQ(korvex::ScanHex(c.text, v), c.read) << c.text;
        if (c.read) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
    EXPECT_EQ(korvex::FormatTexts("a%sb%%%s%d", {"1"}), "a1b%%d");
    EXPECT_EQ(korvex::ScanHex("10000000000000000", v) ? v : 0, 0xFFFFFFFFu);

    // Every byte value, at every place of an eight-byte word and in the tail.
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    for (std::size_t shift = 0; shift < 9; ++shift) {
        std::string text = all.substr(shift) + all.substr(0, shift) + "XyZ";
        std::string expected = text;
        for (char& c : expected)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        korvex::ToLowerAscii(text.data(), text.size());
        ASSERT_EQ(text, expected) << shift;
    }
}

TEST(SearchRules, ConditionsAgainstCells) {
    using korvex::kContains;
    using korvex::kEqual;
    using korvex::kGreater;
    using korvex::kLess;
    using korvex::kNotEqual;
    struct Case {
        korvex::SearchCondition condition;
        const char* text;
        const char* cell;
        bool holds;
    };
    const Case cases[] = {
        {kEqual, "12", "12", true},          {kEqual, "12", "0x12", true},
        {kEqual, "12", "012", true},         {kEqual, "12", "12 34 56", true},
        {kEqual, " 12 ", "13", false},       {kEqual, "ENGINE", "Engine", true},
        {kEqual, "engine", "数据帧", false}, {kContains, "ab", "xAbY", true},
        {kContains, "AB", "xaby", true},     {kContains, "ab", "xa b", false},
        {kGreater, "7ff", "800", true},      {kGreater, "7ff", "7ff", false},
        {kGreater, "7ff", "", false},        {kGreater, "zz", "800", false},
        {kGreater, "0", "FFFFFFFF", false},  // signed: -1
        {kLess, "800", "7FF", true},         {kLess, "800", "标准帧", false},
        {kNotEqual, "12", "", true},         {kNotEqual, "12", "13", true},
        {kNotEqual, "12", "0x12", false},    {kNotEqual, "12", "数据帧", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Holds(c.condition, c.text, c.cell), c.holds)
            << c.condition << " '" << c.text << "' '" << c.cell << "'";

    SearchRequest both = Request(kGreater, "100");
    both.ticked[kLess] = true;
    both.texts[kLess] = "200";
    EXPECT_TRUE(CSearchMatcher(both).Matches("150"));
    EXPECT_FALSE(CSearchMatcher(both).Matches("250"));
}

TEST(SearchRules, CheckBoxRules) {
    using korvex::kContains;
    using korvex::kEqual;
    using korvex::kGreater;
    using korvex::kLess;
    using korvex::kNotEqual;
    CSearchChecks checks;
    checks.Initialise(3);
    EXPECT_TRUE(checks[kGreater].ticked && checks[kGreater].boxEnabled &&
                checks[kGreater].comboEnabled);
    EXPECT_TRUE(checks[kLess].ticked);
    EXPECT_FALSE(checks[kContains].comboEnabled);

    checks.ApplyColumnRule(7);
    for (auto c : {kGreater, kLess})
        EXPECT_FALSE(checks[c].ticked || checks[c].boxEnabled || checks[c].comboEnabled);

    checks.SetTicked(kContains, true);
    EXPECT_TRUE(checks[kContains].comboEnabled);
    checks.SetTicked(kEqual, true);
    EXPECT_TRUE(checks[kEqual].comboEnabled);
    EXPECT_FALSE(checks[kContains].ticked || checks[kContains].boxEnabled);
    checks.SetTicked(kNotEqual, true);
    EXPECT_FALSE(checks[kEqual].ticked || checks[kEqual].comboEnabled);
    EXPECT_TRUE(checks[kNotEqual].comboEnabled);
    checks.SetTicked(kNotEqual, false);
    for (auto c : {kGreater, kLess, kContains}) {
        EXPECT_TRUE(checks[c].boxEnabled) << c;
        EXPECT_FALSE(checks[c].ticked || checks[c].comboEnabled) << c;
    }
    EXPECT_FALSE(checks[kNotEqual].comboEnabled);

    struct Case {
        int column;
        std::vector<korvex::SearchCondition> ticks;
        const char* refused;
    };
    const Case cases[] = {
        {3, {kGreater, kLess}, nullptr},   {6, {kLess}, nullptr},
        {7, {kGreater}, "--greater"},      {2, {kLess, kContains}, "--less"},
        {7, {kEqual, kContains}, nullptr}, {3, {kEqual, kNotEqual}, "--not-equal"},
    };
    for (const Case& c : cases) {
        SearchRequest r;
        r.column = c.column;
        for (auto t : c.ticks) r.ticked[t] = true;
        const char* refused = korvex::SearchTicksRefused(r);
        EXPECT_EQ(std::string(refused ? refused : ""), std::string(c.refused ? c.refused : ""));
    }
}

TEST(SearchRules, HistoryKeepsTenWithThePrefixRule) {
    std::map<std::string, std::string> profile;
    for (int i = 0; i < 10; ++i)
        profile[korvex::SearchHistoryKey(korvex::kContains, i)] = std::to_string(10 + i);
    profile["Include10"] = "never read";
    CSearchHistory history;
    history.Load([&](int i) { return profile[korvex::SearchHistoryKey(korvex::kContains, i)]; });
    ASSERT_EQ(history.Entries().size(), 10u);

    // "1" begins entry 1 ("11"), the first looked at; it goes and "1" tops the list.
    EXPECT_EQ(history.Record("  1 "), "1");
    ASSERT_EQ(history.Entries().size(), 10u);
    EXPECT_EQ(history.Entries()[0], "1");
    EXPECT_EQ(history.Entries()[1], "10");
    EXPECT_EQ(history.Entries()[2], "12");
    // Nothing begins with "abc": the list grows, storing keeps ten.
    history.Record("abc");
    EXPECT_EQ(history.Entries().size(), 11u);
    profile.clear();
    history.Store([&](int i, const std::string& t) {
        profile[korvex::SearchHistoryKey(korvex::kEqual, i)] = t;
    });
    EXPECT_EQ(profile.size(), 10u);
    EXPECT_EQ(profile["Equal0"], "abc");
    EXPECT_EQ(profile["Equal9"], "18");
    // Wrapping round: only entry 0 matches, ignoring case.
    history.Record("AB");
    EXPECT_EQ(history.Entries()[0], "AB");
    EXPECT_EQ(history.Entries()[1], "1");
    history.Record("   ");
    EXPECT_EQ(history.Entries()[0], "AB");
    EXPECT_EQ(korvex::SearchHistoryKey(korvex::kNotEqual, 3), "UnEqual3");
    EXPECT_EQ(korvex::SearchHistoryKey(korvex::kGreater, 0), "Bigger0");
    EXPECT_EQ(korvex::SearchHistoryKey(korvex::kLess, 9), "Smaller9");
}

// Columns as the plug-in gives them: 3 the identifier in hexadecimal, 7 the
// data bytes (at most eight, whatever the length says); the alias from a rule
// on identifier 0x100.
int FakePart(const _VCI_CAN_OBJ* frame, char** text, int column) {
    static char buffer[80];
    if (column == 3) {
        std::snprintf(buffer, sizeof buffer, "%X", frame->ID);
    } else {
        buffer[0] = 0;
        for (int i = 0; i < frame->DataLen && i < 8; ++i)
            std::snprintf(buffer + 3 * i, 4, "%02X ", frame->Data[i]);
    }
    *text = buffer;
    return 1;
}

class FrameSearchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        korvex::InstallBuiltInResources();
        store.Reserve(100000);
        context.analyPartofCANFrame = &FakePart;
        context.alias = [](const _VCI_CAN_OBJ& f, std::string& t) {
            t = f.ID == 0x100 ? "Engine" : "";
        };
    }
    void Push(std::uint32_t id, std::vector<std::uint8_t> data) {
        _VCI_CAN_OBJ f{};
        f.ID = id;
        f.DataLen = static_cast<std::uint8_t>(data.size());
        f.Reserved[1] = korvex::kNoClockIndex;
        for (std::size_t i = 0; i < data.size(); ++i) f.Data[i] = data[i];
        store.Push(f);
    }
    std::vector<std::int32_t> Sources() const {
        std::vector<std::int32_t> s;
        for (int k = 0; k < results.ItemCount(); ++k) s.push_back(results.Source(k));
        return s;
    }
    korvex::SearchOutcome Search(const SearchRequest& r, bool refresh = false) {
        return korvex::RunFrameSearch(r, refresh, store, context, results);
    }

    CCycleBuffer<_VCI_CAN_OBJ> store;
    korvex::ExportRowContext context;
    korvex::CSearchResults results;
};

TEST_F(FrameSearchTest, EmptyStoreFindsNothing) {
    const korvex::SearchOutcome o = Search(Request(korvex::kEqual, "12"));
    EXPECT_TRUE(o.NothingFound());
    EXPECT_EQ(o.count, 0);
    EXPECT_EQ(korvex::SearchStatusText(o.count), "搜索到帧数 ：0");
}

TEST_F(FrameSearchTest, SearchesAppendUnlessRefreshed) {
    Push(0x100, {0x12, 0x34});
    Push(0x7FF, {0xAB});
    Push(0x800, {0x12});
    Push(0x012, {});
    EXPECT_EQ(Search(Request(korvex::kEqual, "12", 7)).count, 2);
    EXPECT_EQ(Sources(), (std::vector<std::int32_t>{0, 2}));
    const korvex::SearchOutcome second = Search(Request(korvex::kGreater, "7ff"));
    EXPECT_EQ(second.before, 2);
    EXPECT_EQ(second.count, 3);
    EXPECT_EQ(Sources(), (std::vector<std::int32_t>{0, 2, 2}));
    EXPECT_EQ(korvex::SearchStatusText(second.count), "搜索到帧数 ：3");

    const korvex::SearchOutcome third = Search(Request(korvex::kContains, "ENG", 2), true);
    EXPECT_EQ(third.before, 0);
    EXPECT_EQ(Sources(), (std::vector<std::int32_t>{0}));
    EXPECT_TRUE(Search(Request(korvex::kContains, "none", 2)).NothingFound());

    std::string text;
    EXPECT_TRUE(results.CellText(0, 0, context, text));
    EXPECT_EQ(text, "0");
    EXPECT_TRUE(results.CellText(0, 2, context, text));
    EXPECT_EQ(text, "Engine");
    EXPECT_FALSE(results.CellText(1, 2, context, text));
    EXPECT_EQ(text, "");
}

TEST_F(FrameSearchTest, RefusalsLeaveTheResults) {
    Push(0x100, {1});
    ASSERT_EQ(Search(Request(korvex::kEqual, "100")).count, 1);
    SearchRequest none;
    EXPECT_EQ(Search(none, true).status, korvex::SearchStatus::kNoCondition);
    EXPECT_EQ(Search(Request(korvex::kEqual, "  "), true).status, korvex::SearchStatus::kEmptyText);
    EXPECT_EQ(results.ItemCount(), 1);
    EXPECT_EQ(results.HitCount(), 1);
}

TEST_F(FrameSearchTest, ExportWritesHeaderAndEveryItem) {
    Push(0x100, {0xAB});
    Push(0x200, {0xAB, 0xCD});
    ASSERT_EQ(Search(Request(korvex::kContains, "ab", 7)).count, 2);
    std::string out;
    results.WriteExport({"序号", "时间", "别名", "帧ID"}, {}, context, [&](const std::string& l) {
        out += l;
        return true;
    });
    EXPECT_EQ(out, "序号\t时间\t别名\t帧ID\t\r\n0\t\tEngine\t100\t\r\n1\t\t\t200\t\r\n");
}

}  // namespace
