#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "app/resources/rules/BuiltInResources.h"
#include "core/ApplyLanguage.h"
#include "core/FrameRowText.h"
#include "core/KorvexGlobal.h"
#include "core/LanguageMenu.h"
#include "tests/support/TempFolder.h"
#include "xtp/XTPResourceManager.h"

namespace {

using korvex::test::TempFolder;
using korvex::test::WriteBytes;

constexpr char kList[] =
    "[LANGUAGES]\r\nCount=3\r\n"
    "0=4|2|zh_CN.UTF-8|Chinese.xml|简体中文\r\n"
    "1=9|1|C.utf8|English.xml|English\r\n"
    "2=7|1|xx_NOWHERE.UTF-8|../English.xml|Outside\r\n"
    "[LAST]\r\nSel=0\r\n";

constexpr char kEnglish[] =
    "<resource><string id=\"114\" value=\"Failed to save the configuration\"/></resource>";
constexpr char kPluginEnglish[] =
    "<resource><string id=\"5001\" value=\"Index\"/>"
    "<string id=\"114\" value=\"plug-in's own\"/></resource>";

// A settings folder with the language list, and an installation that holds
// the language files, as an installed program has them.
class ApplyLanguageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        korvex::InstallBuiltInResources();
        std::filesystem::create_directories(settings / "language");
        WriteBytes(settings / "language" / "config.ini", kList);
        WriteBytes(installed / "English.xml", kEnglish);
        WriteBytes(installed / "ProtoLens_English.xml", kPluginEnglish);
        locale = std::setlocale(LC_ALL, nullptr);
    }
    void TearDown() override {
        std::setlocale(LC_ALL, locale.c_str());
        korvex::InstallBuiltInResources();
    }

    TempFolder settings;
    TempFolder installed;
    std::string locale;
};

TEST_F(ApplyLanguageTest, AnIndexOutsideTheListChangesNothing) {
    CKorvexGlobal global(settings.path, installed.path);
    ASSERT_EQ(global.vecLanguage.size(), 3u);
    global.iCurLanguage = 1;
    CXTPResourceManager* before = XTPResourceManager();
    for (int index : {-1, 3, 100}) {
        EXPECT_FALSE(korvex::ApplyLanguage(global, index)) << index;
        EXPECT_EQ(XTPResourceManager(), before);
        EXPECT_EQ(global.iCurLanguage, 1);
    }
    CKorvexGlobal empty;
    EXPECT_FALSE(korvex::ApplyLanguage(empty, 0));
    EXPECT_EQ(XTPResourceManager(), before);
}

TEST_F(ApplyLanguageTest, TheFileAndThePluginFileOverrideTheBuiltInTexts) {
    CKorvexGlobal global(settings.path, installed.path);
    const std::string builtIn6004 = XTPLoadString(6004);
    ASSERT_FALSE(builtIn6004.empty());
    // Twice the same index: the second install replaces the first alike.
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(korvex::ApplyLanguage(global, 1));
        EXPECT_EQ(global.iCurLanguage, 1);
        EXPECT_EQ(XTPLoadString(114), "Failed to save the configuration");
        // The language's own file wins over the plug-in's for the same number.
        EXPECT_EQ(XTPLoadString(5001), "Index");
        EXPECT_EQ(XTPLoadString(6004), builtIn6004);
    }
    // The first language's file is absent: the built-in texts again.
    ASSERT_TRUE(korvex::ApplyLanguage(global, 0));
    EXPECT_EQ(global.iCurLanguage, 0);
    EXPECT_EQ(XTPLoadString(114), korvex::BuiltInResourceTable().strings.at(114));
    EXPECT_EQ(XTPLoadString(5001), "");
}

TEST_F(ApplyLanguageTest, AFileNameThatLeavesTheFolderIsNotRead) {
    WriteBytes(settings / "English.xml", kEnglish);
    CKorvexGlobal global(settings.path, installed.path);
    ASSERT_TRUE(korvex::ApplyLanguage(global, 2));
    EXPECT_NE(XTPLoadString(114), "Failed to save the configuration");
    EXPECT_EQ(korvex::FindLanguageFile({installed.path}, "/etc/passwd"), "");
    EXPECT_EQ(korvex::FindLanguageFile({installed.path}, "English.xml"),
              installed.path / "English.xml");
    EXPECT_EQ(korvex::PluginLanguageFileName("English.xml"), "ProtoLens_English.xml");
}

TEST_F(ApplyLanguageTest, NumbersKeepTheirPointWhateverTheLocale) {
    CKorvexGlobal global(settings.path, installed.path);
    std::setlocale(LC_NUMERIC, "C.utf8");
    ASSERT_TRUE(korvex::ApplyLanguage(global, 1));
    EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C.utf8");
    EXPECT_STREQ(std::setlocale(LC_TIME, nullptr), "C.utf8");
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    // A locale the system lacks is left out; the language still applies.
    ASSERT_TRUE(korvex::ApplyLanguage(global, 2));
    EXPECT_EQ(global.iCurLanguage, 2);
    EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C.utf8");
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    char text[16];
    std::snprintf(text, sizeof text, "%.3f", 1.5);
    EXPECT_STREQ(text, "1.500");
}

TEST_F(ApplyLanguageTest, WithoutAListOnlyTheBuiltInTextsAndAnEmptyPopupRemain) {
    TempFolder bare;
    CKorvexGlobal global(bare.path, bare.path / "missing");
    EXPECT_TRUE(global.vecLanguage.empty());
    EXPECT_FALSE(korvex::ApplyLanguage(global, 0));
    EXPECT_EQ(XTPLoadString(6004), korvex::BuiltInResourceTable().strings.at(6004));
    XTPMenu menu;
    korvex::AppendLanguageMenu(menu, global.vecLanguage);
    ASSERT_EQ(menu.items.size(), 1u);
    EXPECT_TRUE(menu.items[0].IsPopup());
    EXPECT_TRUE(menu.items[0].popup.empty());
}

TEST_F(ApplyLanguageTest, ADamagedFileFallsBackToTheBuiltInTexts) {
    const std::string builtIn6004 = XTPLoadString(6004);
    for (const char* damaged :
         {"<resource><string id=\"6004\" value=\"Fail", "\xEF\xBB\xBF\x00\x01",
          "<resource><string id=\"6004x\" value=\"Total\"/></resource>"}) {
        WriteBytes(installed / "English.xml", damaged);
        CKorvexGlobal global(settings.path, installed.path);
        ASSERT_TRUE(korvex::ApplyLanguage(global, 1));
        EXPECT_EQ(XTPLoadString(6004), builtIn6004) << damaged;
        // The plug-in's file still serves what it has.
        EXPECT_EQ(XTPLoadString(5001), "Index");
        EXPECT_EQ(XTPLoadString(114), "plug-in's own");
    }
}

TEST_F(ApplyLanguageTest, TheShippedEnglishReachesMenusDialogsAndThePlugin) {
    const std::filesystem::path shipped = std::filesystem::path(KORVEX_SOURCE_DIR) / "language";
    CKorvexGlobal global(settings.path, shipped);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(korvex::ApplyLanguage(global, 1));
        XTPMenu menu;
        ASSERT_TRUE(XTPResourceManager()->LoadMenu(129, menu));
        korvex::AppendLanguageMenu(menu, global.vecLanguage);
        int languagePopups = 0;
        for (const XTPMenuItem& item : menu.items) languagePopups += item.text == "Language";
        EXPECT_EQ(languagePopups, 1);
        EXPECT_EQ(menu.items.back().popup.at(1).text, "English");
        EXPECT_EQ(menu.items.at(0).text, "&File");
    }
    XTPDialogTemplate about;
    ASSERT_TRUE(XTPResourceManager()->LoadDialogTemplate(100, about));
    EXPECT_EQ(about.ControlCaption(1) ? *about.ControlCaption(1) : "", "OK");
    EXPECT_EQ(XTPLoadString(5001), "No.");
    EXPECT_EQ(XTPLoadString(5021), "Standard");
    EXPECT_EQ(XTPLoadString(6004), "Total frames");
    EXPECT_STREQ(korvex::EventText(229), "CAN controller: bus error\n");
    ASSERT_TRUE(korvex::ApplyLanguage(global, 0));
    EXPECT_STREQ(korvex::EventText(229), "CAN控制器总线错误\n");
}

TEST(LanguageMenu, ItemsChecksAndCommands) {
    std::vector<name_share::LanguageEntry> list(2);
    list[0].strName = "简体中文";
    list[1].strName = "English";
    const std::vector<korvex::LanguageMenuItem> items = korvex::LanguageMenuItems(list, 1);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].text, "简体中文");
    EXPECT_EQ(items[0].id, 40000u);
    EXPECT_FALSE(items[0].checked);
    EXPECT_EQ(items[1].id, 40001u);
    EXPECT_TRUE(items[1].checked);

    const struct {
        std::uint32_t id;
        std::size_t count;
        int index;
    } commands[] = {{40000, 2, 0},     {40001, 2, 1},    {40002, 2, -1}, {39999, 2, -1},
                    {40100, 500, 100}, {40101, 500, -1}, {40000, 0, -1}};
    for (const auto& c : commands)
        EXPECT_EQ(korvex::LanguageIndexOfCommand(c.id, c.count), c.index) << c.id;
    EXPECT_EQ(korvex::LanguageMenuItems(std::vector<name_share::LanguageEntry>(500), 0).size(),
              101u);
}

TEST(LanguageMenu, AnEmptyListStillGetsItsPopup) {
    for (std::size_t count : {0u, 2u}) {
        XTPMenu menu;
        menu.items.push_back({"&File", 0, {{"Open", 57601, {}, false}}, false});
        korvex::AppendLanguageMenu(menu, std::vector<name_share::LanguageEntry>(count), 1);
        ASSERT_EQ(menu.items.size(), 2u);
        const XTPMenuItem& language = menu.items.back();
        EXPECT_EQ(language.text, "Language");
        EXPECT_TRUE(language.IsPopup());
        EXPECT_FALSE(language.IsSeparator());
        ASSERT_EQ(language.popup.size(), count);
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(language.popup[i].id, 40000 + i);
            EXPECT_EQ(language.popup[i].checked, i == 1);
        }
    }
}

}  // namespace
