#include <gtest/gtest.h>

#include <string>

#include "tests/support/TempFolder.h"
#include "xtp/XTPResourceManagerXMLEx.h"

namespace {

using korvex::test::TempFolder;
using korvex::test::WriteBytes;

XTPResourceTable BuiltIn() {
    XTPResourceTable table;
    table.strings[114] = "保存配置失败";
    table.strings[6004] = "总帧数";
    table.menus[129].items = {{"文件(&F)", 0, {{"打开(&O)...", 57601, {}, false}}, false}};
    XTPDialogTemplate about;
    about.caption = "关于 KorvexPro";
    about.controls = {{1, "确定"}};
    table.dialogs[100] = about;
    return table;
}

CXTPResourceManagerXMLEx FromText(const std::string& xml) {
    return CXTPResourceManagerXMLEx(xml.data(), xml.size(), BuiltIn());
}

std::string String(CXTPResourceManager& manager, std::uint32_t id) {
    std::string text = "(none)";
    manager.LoadString(id, text);
    return text;
}

TEST(ResourceManagerXMLEx, StringsComeFromTheFileAndOtherwiseFromTheBuiltInTable) {
    CXTPResourceManagerXMLEx manager = FromText(
        "<resource><string id=\"114\" value=\"Failed to save the configuration\"/>"
        "<string id=\"6004\"/><string id=\"7\" value=\"\"/>"
        "<string id=\"0x10\" value=\"hex id\"/></resource>");
    ASSERT_TRUE(manager.IsValid());
    const struct {
        std::uint32_t id;
        const char* text;
    } cases[] = {
        {114, "Failed to save the configuration"},
        {6004, "总帧数"},  // no "value": the built-in text
        {7, ""},           // an empty text is a text
        {16, "hex id"},
        {9999, "(none)"},  // in neither
    };
    for (const auto& c : cases) EXPECT_EQ(String(manager, c.id), c.text) << c.id;
}

TEST(ResourceManagerXMLEx, MenusKeepElementOrderPopupsAndSeparators) {
    CXTPResourceManagerXMLEx manager = FromText(
        "<resource><menu id=\"129\">"
        "<menuitem caption=\"&amp;File\"><menuitem id=\"57601\" caption=\"&amp;Open...\"/>"
        "<menuitem id=\"0\"/><menuitem caption=\"Recent\"><menuitem id=\"57616\" "
        "caption=\"1\"/></menuitem><menuitem id=\"57665\" caption=\"E&amp;xit\"/></menuitem>"
        "<menuitem caption=\"&amp;Help\"><menuitem id=\"57664\" caption=\"&amp;About\"/>"
        "</menuitem></menu>"
        "<menu id=\"135\"><menuitem id=\"-4\" caption=\"damaged\"/></menu></resource>");
    XTPMenu menu;
    ASSERT_TRUE(manager.LoadMenu(129, menu));
    ASSERT_EQ(menu.items.size(), 2u);
    const XTPMenuItem& file = menu.items[0];
    EXPECT_EQ(file.text, "&File");
    ASSERT_TRUE(file.IsPopup());
    ASSERT_EQ(file.popup.size(), 4u);
    EXPECT_EQ(file.popup[0].id, 57601u);
    EXPECT_TRUE(file.popup[1].IsSeparator());
    ASSERT_TRUE(file.popup[2].IsPopup());
    EXPECT_EQ(file.popup[2].popup.at(0).id, 57616u);
    EXPECT_EQ(file.popup[3].text, "E&xit");
    EXPECT_EQ(menu.items[1].popup.at(0).text, "&About");
    // A damaged menu falls back to the built-in one; an unknown one is refused.
    EXPECT_FALSE(manager.LoadMenu(135, menu));
    EXPECT_EQ(menu.items.size(), 2u);
    CXTPResourceManagerXMLEx other = FromText(
        "<resource><menu id=\"129\"><menuitem id=\"x\"/>"
        "</menu></resource>");
    ASSERT_TRUE(other.LoadMenu(129, menu));
    EXPECT_EQ(menu.items.at(0).text, "文件(&F)");
}

// The reader's defaults have their own test; here what the manager adds.
TEST(ResourceManagerXMLEx, DialogTemplatesComeFromTheFileWithTheFormatsDefaults) {
    CXTPResourceManagerXMLEx manager = FromText(
        "<resource><dialog id=\"100\" style=\"0x80C80000\" caption=\"About KorvexPro\">"
        "<control caption=\"Version\"/><control caption=\"icon\" resource=\"128\"/></dialog>"
        "<dialog id=\"101\" style=\"2\" fontface=\"Sans\" fontsize=\"9\" styleex=\"0x8\"/>"
        "<dialog id=\"102\" caption=\"no style\"/></resource>");
    XTPDialogTemplate dialog;
    ASSERT_TRUE(manager.LoadDialogTemplate(100, dialog));
    EXPECT_EQ(dialog.caption, "About KorvexPro");
    EXPECT_EQ(dialog.style, 0x80C80040u);
    EXPECT_EQ(dialog.fontFace, "MS Sans Serif");
    EXPECT_EQ(dialog.fontSize, 8);
    ASSERT_EQ(dialog.controls.size(), 2u);
    EXPECT_EQ(dialog.controls[0].className, "STATIC");
    EXPECT_EQ(dialog.controls[0].id, -1);
    EXPECT_EQ(dialog.controls[1].caption, " ");

    ASSERT_TRUE(manager.LoadDialogTemplate(101, dialog));
    EXPECT_EQ(dialog.style, 0x42u);
    EXPECT_EQ(dialog.styleEx, 8u);
    EXPECT_EQ(dialog.fontFace, "Sans");
    EXPECT_EQ(dialog.fontSize, 9);
    // Without its required style the file's dialog is damaged: not served.
    EXPECT_FALSE(manager.LoadDialogTemplate(102, dialog));
}

TEST(ResourceManagerXMLEx, CloseFreesTheTemplatesAndTheDocument) {
    CXTPResourceManagerXMLEx manager = FromText(
        "<resource><string id=\"114\" value=\"Save failed\"/>"
        "<dialog id=\"100\" style=\"0\" caption=\"About\"/></resource>");
    XTPDialogTemplate dialog;
    ASSERT_TRUE(manager.LoadDialogTemplate(100, dialog));
    ASSERT_TRUE(manager.LoadDialogTemplate(100, dialog));  // from the cache
    EXPECT_EQ(dialog.caption, "About");
    manager.Close();
    EXPECT_FALSE(manager.IsValid());
    ASSERT_TRUE(manager.LoadDialogTemplate(100, dialog));
    EXPECT_EQ(dialog.caption, "关于 KorvexPro");
    EXPECT_EQ(String(manager, 114), "保存配置失败");
}

TEST(ResourceManagerXMLEx, WhatIsNotALanguageFileLeavesTheBuiltInResources) {
    TempFolder dir;
    WriteBytes(dir / "text.xml", "not xml at all <<<");
    WriteBytes(dir / "other.xml", "<strings><string id=\"114\" value=\"x\"/></strings>");
    WriteBytes(dir / "empty.xml", "");
    for (const char* name : {"missing.xml", "text.xml", "other.xml", "empty.xml", ""}) {
        CXTPResourceManagerXMLEx manager(dir / name, BuiltIn());
        EXPECT_FALSE(manager.IsValid()) << name;
        EXPECT_EQ(String(manager, 114), "保存配置失败") << name;
        XTPMenu menu;
        EXPECT_TRUE(manager.LoadMenu(129, menu));
        XTPDialogTemplate dialog;
        EXPECT_TRUE(manager.LoadDialogTemplate(100, dialog));
    }
    // A folder where the file should be.
    CXTPResourceManagerXMLEx folder(dir.path, BuiltIn());
    EXPECT_FALSE(folder.IsValid());
}

TEST(ResourceManagerXMLEx, MergingAppendsASecondFile) {
    TempFolder dir;
    WriteBytes(dir / "ProtoLens_English.xml",
               "<resource><string id=\"5001\" value=\"Index\"/>"
               "<string id=\"114\" value=\"the plug-in's\"/>"
               "<dialog id=\"300\" style=\"0\" caption=\"Plug-in dialog\"/></resource>");
    WriteBytes(dir / "broken.xml", "<resource><string id=\"1\"");
    CXTPResourceManagerXMLEx manager = FromText(
        "<resource><string id=\"114\" value=\"Failed to save the configuration\"/></resource>");
    EXPECT_FALSE(manager.Merge(dir / "broken.xml"));
    EXPECT_FALSE(manager.Merge(dir / "missing.xml"));
    EXPECT_EQ(String(manager, 5001), "(none)");
    ASSERT_TRUE(manager.Merge(dir / "ProtoLens_English.xml"));
    EXPECT_EQ(String(manager, 5001), "Index");
    EXPECT_EQ(String(manager, 114), "Failed to save the configuration");
    XTPDialogTemplate dialog;
    ASSERT_TRUE(manager.LoadDialogTemplate(300, dialog));
    EXPECT_EQ(dialog.caption, "Plug-in dialog");

    // Without a main file of its own the manager serves the plug-in's file.
    CXTPResourceManagerXMLEx bare(dir / "Chinese.xml", BuiltIn());
    ASSERT_FALSE(bare.IsValid());
    ASSERT_TRUE(bare.Merge(dir / "ProtoLens_English.xml"));
    EXPECT_TRUE(bare.IsValid());
    EXPECT_EQ(String(bare, 5001), "Index");
    EXPECT_EQ(String(bare, 6004), "总帧数");
}

}  // namespace
