#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app/resources/rules/BuiltInResources.h"
#include "app/shell/rules/CommandTable.h"
#include "app/shell/rules/RecentFiles.h"
#include "app/shell/rules/ShellIds.h"
#include "app/shell/rules/UploadProgress.h"

namespace korvex::shell {
namespace {

void CollectCommands(const std::vector<XTPMenuItem>& items, std::set<std::uint32_t>& ids) {
    for (const XTPMenuItem& item : items) {
        if (item.IsPopup())
            CollectCommands(item.popup, ids);
        else if (!item.IsSeparator())
            ids.insert(item.id);
    }
}

// Every command a built-in menu offers is routed and has its status tip with
// a short name, in both built-in menus.
TEST(ShellCommands, EveryMenuCommandIsRoutedAndHasATipAndAShortName) {
    const XTPResourceTable& table = BuiltInResourceTable();
    for (std::uint32_t menu : {res::kMainMenu, res::kNoDocMenu}) {
        ASSERT_TRUE(table.menus.count(menu)) << menu;
        std::set<std::uint32_t> ids;
        CollectCommands(table.menus.at(menu).items, ids);
        EXPECT_FALSE(ids.empty());
        for (std::uint32_t id : ids) {
            EXPECT_TRUE(FindShellCommand(id).has_value()) << id;
            ASSERT_TRUE(table.strings.count(id)) << id;
            const CommandText text = SplitCommandString(table.strings.at(id));
            EXPECT_FALSE(text.tip.empty()) << id;
            EXPECT_FALSE(text.shortName.empty()) << id;
        }
    }
    EXPECT_EQ(SplitCommandString(table.strings.at(cmd::kUpload)).tip, "上载设备里的报文");
    EXPECT_EQ(SplitCommandString(table.strings.at(cmd::kUpload)).shortName, "上载报文");
}

TEST(ShellCommands, LanguageItemsAreCommandsUpToTheirLastNumber) {
    EXPECT_EQ(FindShellCommand(40000)->rule, UpdateRule::kCheckedLanguage);
    EXPECT_EQ(FindShellCommand(40100)->id, 40100u);
    EXPECT_FALSE(FindShellCommand(40101).has_value());
    EXPECT_FALSE(FindShellCommand(12345).has_value());
    EXPECT_EQ(SplitCommandString("no break").shortName, "");
}

TEST(ShellCommands, UpdateRulesDecideEnabledAndChecked) {
    struct Case {
        UpdateRule rule;
        UpdateInputs in;
        bool enabled;
        bool checked;
    };
    const Case cases[] = {
        {UpdateRule::kCheckedClockTime, {.timeShowType = 0}, true, true},
        {UpdateRule::kCheckedClockTime, {.timeShowType = 1}, true, false},
        {UpdateRule::kCheckedRelativeTime, {.timeShowType = 1}, true, true},
        {UpdateRule::kCheckedRelativeTime, {.timeShowType = 0}, true, false},
        // A stored value other than 0 shows relative time, so it is checked.
        {UpdateRule::kCheckedRelativeTime, {.timeShowType = 2}, true, true},
        {UpdateRule::kWhilePaneClosed, {.paneOpen = true}, false, false},
        {UpdateRule::kWhilePaneClosed, {.paneOpen = false}, true, false},
        {UpdateRule::kWhileWindowExists, {.windowExists = false}, false, false},
        {UpdateRule::kWhileWindowExists, {.windowExists = true}, true, false},
        {UpdateRule::kWhileHandled, {.handled = false}, false, false},
        {UpdateRule::kCheckedLanguage, {.languageIndex = 1, .currentLanguage = 1}, true, true},
        {UpdateRule::kCheckedLanguage, {.languageIndex = 0, .currentLanguage = 1}, true, false},
    };
    for (const Case& c : cases) {
        const CommandState state = EvaluateUpdateRule(c.rule, c.in);
        EXPECT_EQ(state.enabled, c.enabled) << static_cast<int>(c.rule);
        EXPECT_EQ(state.checked, c.checked) << static_cast<int>(c.rule);
    }
}

// While loading the bar runs 1 … 198 and starts again at 0; 200 only at the end.
TEST(UploadProgress, BarCyclesBelowTheMaximumUntilTheWorkerFinishes) {
    std::uint32_t tick = 0;
    std::vector<int> positions;
    for (int i = 0; i < 400; ++i) {
        const ProgressStep step = AdvanceUploadProgress(tick, true);
        EXPECT_FALSE(step.finished);
        positions.push_back(step.position);
    }
    EXPECT_EQ(positions[0], 1);
    EXPECT_EQ(positions[197], 198);
    EXPECT_EQ(positions[198], 0);
    EXPECT_EQ(positions[199], 1);
    for (int p : positions) EXPECT_LT(p, kProgressMaximum - 1);
    const ProgressStep last = AdvanceUploadProgress(tick, false);
    EXPECT_TRUE(last.finished);
    EXPECT_EQ(last.position, 200);
    EXPECT_EQ(UploadCountText(400, 1234), "(400 / 1234)");
}

// The newest first, each file once, at most eight.
TEST(RecentFiles, NewestFirstOnceAndAtMostEight) {
    std::vector<std::string> list;
    for (int i = 0; i < 10; ++i) AddRecentFile(list, "/f" + std::to_string(i));
    ASSERT_EQ(list.size(), kRecentFiles);
    EXPECT_EQ(list.front(), "/f9");
    EXPECT_EQ(list.back(), "/f2");
    AddRecentFile(list, "/f5");
    EXPECT_EQ(list.size(), kRecentFiles);
    EXPECT_EQ(list[0], "/f5");
    EXPECT_EQ(list[1], "/f9");
    EXPECT_EQ(std::count(list.begin(), list.end(), "/f5"), 1);
    AddRecentFile(list, "");
    EXPECT_EQ(list[0], "/f5");
    EXPECT_EQ(RecentFileMenuText(7, "/a&b.can"), "&8 /a&&b.can");
    EXPECT_EQ(OpeningOf("/x/a.can"), FileOpening::kDataFile);
    EXPECT_EQ(OpeningOf("/x/a.CAN"), FileOpening::kOtherFormat);
    EXPECT_EQ(OpeningOf("/x/a.blf"), FileOpening::kOtherFormat);
}

}  // namespace
}  // namespace korvex::shell
