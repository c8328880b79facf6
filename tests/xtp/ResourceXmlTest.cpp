#include <gtest/gtest.h>

#include <string>

#include "app/resources/rules/BuiltInResources.h"
#include "xtp/XTPResourceXml.h"

namespace {

XTPResourceTable Parse(const std::string& xml) {
    XTPResourceTable table;
    std::string error;
    EXPECT_TRUE(ParseResourceXml(xml.data(), xml.size(), table, error)) << error;
    return table;
}

TEST(ResourceXml, ReadsStringsMenusAndDialogsWithTheirDefaults) {
    const XTPResourceTable table = Parse(
        "<resource><string id=\"114\" value=\"Save failed\"/>"
        "<menu id=\"135\"><menuitem id=\"0\" caption=\"rcrdlist\">"
        "<menuitem id=\"32800\" caption=\"Clear\"/><menuitem id=\"0\"/>"
        "<menuitem id=\"32801\" caption=\"Export\"/></menuitem></menu>"
        "<dialog id=\"100\" style=\"0x80C80000\" caption=\"About\" position=\"0,0,235,55\">"
        "<control caption=\"OK\" class=\"BUTTON\" id=\"1\" position=\"178,7,50,14\"/>"
        "<control caption=\"icon\" resource=\"128\"/></dialog></resource>");
    EXPECT_EQ(table.strings.at(114), "Save failed");
    const XTPMenuItem& popup = table.menus.at(135).items.at(0);
    ASSERT_TRUE(popup.IsPopup());
    ASSERT_EQ(popup.popup.size(), 3u);
    EXPECT_EQ(popup.popup[0].id, 32800u);
    EXPECT_TRUE(popup.popup[1].IsSeparator());
    const XTPDialogTemplate& dialog = table.dialogs.at(100);
    EXPECT_EQ(dialog.style, 0x80C80040u);
    EXPECT_EQ(dialog.fontFace, "MS Sans Serif");
    EXPECT_EQ(dialog.fontSize, 8);
    EXPECT_EQ(dialog.cx, 235);
    ASSERT_EQ(dialog.controls.size(), 2u);
    EXPECT_EQ(dialog.controls[0].className, "BUTTON");
    EXPECT_EQ(dialog.controls[0].x, 178);
    EXPECT_EQ(dialog.controls[1].id, -1);
    EXPECT_EQ(dialog.controls[1].className, "STATIC");
    EXPECT_EQ(dialog.controls[1].style, 0x50020000u);
    EXPECT_EQ(dialog.controls[1].caption, " ");
}

TEST(ResourceXml, SkipsDamagedElementsAndRefusesWhatIsNotAResourceDocument) {
    const XTPResourceTable table = Parse(
        "<resource><string id=\"x\" value=\"a\"/><string id=\"1\" value=\"b\"/>"
        "<dialog id=\"2\" caption=\"no style\"/>"
        "<dialog id=\"3\" style=\"1\" position=\"1,2,3\"/>"
        "<menu id=\"4\"><menuitem id=\"-1\"/></menu></resource>");
    EXPECT_EQ(table.strings.size(), 1u);
    EXPECT_TRUE(table.dialogs.empty());
    EXPECT_TRUE(table.menus.empty());

    XTPResourceTable kept;
    kept.strings[7] = "kept";
    std::string error;
    for (const std::string bad : {"<resource>", "<other/>", "", "\x01\x02"}) {
        EXPECT_FALSE(ParseResourceXml(bad.data(), bad.size(), kept, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(kept.strings.size(), 1u);
}

TEST(ResourceXml, BuiltInResourcesParse) {
    const std::string_view xml = korvex::BuiltInResourceXml();
    XTPResourceTable table;
    std::string error;
    EXPECT_TRUE(ParseResourceXml(xml.data(), xml.size(), table, error)) << error;
    EXPECT_EQ(korvex::BuiltInResourceTable().strings.at(6004), "总帧数");
}

}  // namespace
