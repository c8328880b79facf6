#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>

#include <memory>
#include <string>
#include <vector>

#include "share/CANGlobal.h"
#include "share/CommonProp.h"
#include "share/ControlListBase.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/FrameFactory.h"
#include "xtp/XTPResourceManager.h"

namespace {

using korvex::test::FakeUiServices;

// Records the colour calls a list receives, in order.
class ColourList : public CControlListBase {
  public:
    std::vector<std::string> calls;
    std::vector<const OBJKEY*> keys;

    void SetBackColor(int row, COLORREF c) override {
        calls.push_back("back " + std::to_string(row) + " " + std::to_string(c));
    }
    void SetColumnTextColor(int column, int, COLORREF c) override {
        calls.push_back("text " + std::to_string(column) + " " + std::to_string(c));
    }
    void AddColorRule(const OBJKEY* key, COLORREF c) override {
        keys.push_back(key);
        calls.push_back("rule " + std::to_string(key->dwData) + " " + std::to_string(c));
    }
    void ClearColorRules() override { calls.push_back("clear"); }
    int InsertColumn(int, const char*, int, int) override { return 0; }
    int ListCommand(int, ...) override { return 0; }
    void Redraw() override {}
    void SetColumnCaption(int, const char*) override {}
};

TEST(CANGlobal, CopyChannelCopiesDeeply) {
    CCANGlobal g(2);
    ChannelBlock& from = g.Block(0);
    OBJKEY key;
    key.icolInd = kKeyIdentifier;
    key.dwData = 0x55;
    key.pBuf = {1, 2, 3};
    from.display.colBack = 0x123456;
    from.display.bShowType = 10;
    from.display.vecRowColor = {{key, 0xFF}};
    from.display.vecFilterShow = {{key, {key}}};
    from.alias.vecAliasName = {{key, "name"}};
    tagSendUint unit;
    unit.pFrames = {korvex::test::FrameFromCounter(4)};
    unit.len = 1;
    from.send.list.items = {unit};
    from.trigger.vecTrigger = {{kTriggerSendFile, key, {}, {1, {unit}}, "f.can", 1}};

    g.CopyChannel(1, 0);
    from.display.colBack = 0;
    from.display.vecRowColor[0].key.pBuf[0] = 99;
    from.display.vecFilterShow[0].extraKeys[0].dwData = 0;
    from.alias.vecAliasName[0].strName = "changed";
    from.send.list.items[0].pFrames[0].ID = 0;
    from.trigger.vecTrigger[0].FileName.clear();

    const ChannelBlock& to = g.Block(1);
    EXPECT_EQ(to.display.colBack, 0x123456u);
    EXPECT_EQ(to.display.bShowType, 10);
    EXPECT_EQ(to.display.vecRowColor[0].key.pBuf, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(to.display.vecFilterShow[0].extraKeys[0].dwData, 0x55u);
    EXPECT_EQ(to.alias.vecAliasName[0].strName, "name");
    EXPECT_EQ(to.send.list.items[0].pFrames[0].ID, 4u);
    EXPECT_EQ(to.trigger.vecTrigger[0].FileName, "f.can");

    // Out-of-range indices change nothing; an index outside reads channel 0.
    g.CopyChannel(2, 0);
    g.CopyChannel(0, -1);
    g.CopyChannel(1, 1);
    EXPECT_EQ(g.Block(1).alias.vecAliasName[0].strName, "name");
    EXPECT_EQ(&g.Block(5), &g.Block(0));
    EXPECT_EQ(CCANGlobal(0).ChannelCount(), 1);
}

TEST(CANGlobal, ApplyColorsUsesTheFixedColoursAndTheRules) {
    CCANGlobal g;
    g.Block(0).display.colBack = 0x111111;  // kept but not applied
    OBJKEY a, b;
    a.dwData = 1;
    b.dwData = 2;
    g.Block(0).display.vecRowColor = {{a, 0xAA}, {b, 0xBB}};
    ColourList list;
    g.ApplyColors(&list, 0);
    std::vector<std::string> expected = {"clear", "back -1 15461355"};
    for (int i = 0; i < 9; ++i) expected.push_back("text " + std::to_string(i) + " 11827204");
    expected.push_back("rule 1 170");
    expected.push_back("rule 2 187");
    EXPECT_EQ(list.calls, expected);
    EXPECT_EQ(list.keys[0], &g.Block(0).display.vecRowColor[0].key);
    g.ApplyColors(nullptr, 0);
}

TEST(CANGlobal, OperationsThroughTheInterface) {
    CCANGlobal g;
    CCommonGlobal& common = g;
    _VCI_CAN_OBJ f = korvex::test::MakeFrame(0x123, 0);
    OBJKEY key;
    key.icolInd = kKeyIdentifier;
    key.dwMask = 0xFFFFFFFF;
    key.dwData = 0x123;
    EXPECT_EQ(common.IsOBJKeyEqual(&key, &f), 1);
    EXPECT_EQ(common.IsOBJKeyEqual(nullptr, &f), 0);
    EXPECT_EQ(common.IsOBJKeyEqual(&key, nullptr), 0);
    std::string text;
    f.DataLen = 2;
    common.FormatData(text, &f, 16);
    EXPECT_EQ(text, "23 24 ");
    common.FormatData(text, nullptr, 16);
    EXPECT_EQ(text, "");
    EXPECT_EQ(common.ParseData("AB CD", &f, 16), 2);
    EXPECT_EQ(f.Data[1], 0xCD);
    EXPECT_EQ(common.ParseData("AB", nullptr, 16), -1);

    CCommonProp prop;
    EXPECT_EQ(prop.GetDevInd(), 0);
    EXPECT_EQ(prop.GetCANInd(), 0);
    prop.SetDevInd(7);
    prop.SetCANInd(1);
    EXPECT_EQ(prop.GetDevInd(), 7);
    EXPECT_EQ(prop.GetCANInd(), 1);
}

TEST(GenGlobal, ShowMessageCaptionsAndIcons) {
    FakeUiServices ui;
    ui.messageAnswer = 6;
    CCANGlobal g;
    CWnd* owner = reinterpret_cast<CWnd*>(0x10);
    EXPECT_EQ(g.ShowMessage(owner, "a", 0, 0), 6);
    EXPECT_EQ(g.ShowMessage(nullptr, "b", 1, 0), 6);
    EXPECT_EQ(g.ShowMessage(nullptr, "c", 2, 0), 6);
    EXPECT_EQ(g.ShowMessage(nullptr, "d", 1, 0x24), 6);
    ASSERT_EQ(ui.messages.size(), 4u);
    EXPECT_EQ(ui.messages[0].owner, owner);
    EXPECT_EQ(ui.messages[0].caption, "Information");
    EXPECT_EQ(ui.messages[0].type, 0x40u);
    EXPECT_EQ(ui.messages[1].caption, "Warning");
    EXPECT_EQ(ui.messages[1].type, 0x20u);
    EXPECT_EQ(ui.messages[2].caption, "Error");
    EXPECT_EQ(ui.messages[2].type, 0x10u);
    EXPECT_EQ(ui.messages[3].text, "d");
    EXPECT_EQ(ui.messages[3].type, 0x24u);

    EXPECT_EQ(g.ShowMessage(owner, "none", 3, 0), 0);
    EXPECT_EQ(g.ShowMessage(owner, "none", -1, 0), 0);
    EXPECT_EQ(ui.messages.size(), 4u);
}

TEST(GenGlobal, PopupMenuAndOpenFileGoThroughTheServices) {
    XTPResourceTable table;
    XTPMenu menu;
    menu.items = {{"File", 0, {{"Open", 100, {}}, {"", 0, {}}, {"Quit", 101, {}}}},
                  {"Plain", 5, {}}};
    table.menus[135] = menu;
    XTPSetResourceManager(std::make_unique<CXTPResourceManager>(table));
    FakeUiServices ui;
    ui.menuAnswer = 101;
    name_share::CGenGlobal gen;
    CWnd* owner = reinterpret_cast<CWnd*>(0x20);
    EXPECT_EQ(gen.PopupMenu(135, 0, owner), 101u);
    ASSERT_EQ(ui.menus.size(), 1u);
    EXPECT_EQ(ui.menus[0].popup.text, "File");
    ASSERT_EQ(ui.menus[0].popup.popup.size(), 3u);
    EXPECT_TRUE(ui.menus[0].popup.popup[1].IsSeparator());
    EXPECT_EQ(ui.menus[0].owner, owner);
    EXPECT_EQ(gen.PopupMenu(135, 1, owner), 0u);  // not a submenu
    EXPECT_EQ(gen.PopupMenu(135, 2, owner), 0u);
    EXPECT_EQ(gen.PopupMenu(135, -1, owner), 0u);
    EXPECT_EQ(gen.PopupMenu(999, 0, owner), 0u);
    EXPECT_EQ(ui.menus.size(), 1u);
    XTPSetResourceManager(std::make_unique<CXTPResourceManager>());

    const std::string dir = name_share::CGenGlobal::ModuleDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.front(), '/');
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(gen.OpenFile("manual.pdf"));
    ASSERT_EQ(ui.openedFiles.size(), 1u);
    EXPECT_EQ(ui.openedFiles[0], dir + "manual.pdf");
}

TEST(GenGlobal, ModuleDirIsTheFolderOfTheLibraryThatAsks) {
    void* module = ::dlopen(SHARE_MODULE_PROBE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << ::dlerror();
    using Probe = int (*)(char*, int);
    const auto probe = reinterpret_cast<Probe>(::dlsym(module, "ShareModuleDir"));
    ASSERT_NE(probe, nullptr);
    char dir[4096] = {};
    ASSERT_EQ(probe(dir, sizeof dir), 1);
    const std::filesystem::path expected =
        std::filesystem::canonical(std::filesystem::path(SHARE_MODULE_PROBE).parent_path());
    EXPECT_EQ(std::string(dir), expected.string() + "/");
    EXPECT_NE(std::string(dir), name_share::CGenGlobal::ModuleDir());  // the program's own
    EXPECT_EQ(probe(dir, 2), 0);

    // A settings object in that library keeps its file in the library's folder.
    const auto settings = reinterpret_cast<Probe>(::dlsym(module, "ShareSettingsPath"));
    ASSERT_NE(settings, nullptr);
    char path[4096] = {};
    ASSERT_EQ(settings(path, sizeof path), 1);
    EXPECT_EQ(std::string(path), expected.string() + "/plugin_config/protolens.xml");
    ::dlclose(module);
}

}  // namespace
