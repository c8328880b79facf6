#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/FakeUiServices.h"
#include "xtp/XTPResourceManager.h"
#include "xtp/XTPUiServices.h"

namespace {

XTPResourceTable Table() {
    XTPResourceTable table;
    table.strings[114] = "保存配置失败";
    XTPMenu menu;
    menu.items = {{"&File", 0, {{"Open", 57601, {}}}}};
    table.menus[128] = menu;
    XTPDialogTemplate dialog;
    dialog.caption = "-CAN- 别名设置";
    dialog.controls = {{6025, "添加"}, {6027, "删除"}, {6025, "duplicate"}};
    table.dialogs[144] = dialog;
    return table;
}

// A manager that answers one string itself and leaves the rest to the base,
// as a language manager does.
class CountingManager : public CXTPResourceManager {
  public:
    explicit CountingManager(int* destroyed)
        : CXTPResourceManager(Table()), destroyed_(destroyed) {}
    ~CountingManager() override { ++*destroyed_; }
    bool LoadString(std::uint32_t id, std::string& out) override {
        if (id == 1) {
            out = "own";
            return true;
        }
        return CXTPResourceManager::LoadString(id, out);
    }

  private:
    int* destroyed_;
};

TEST(XtpResourceManager, ServesItsBuiltInTable) {
    CXTPResourceManager manager(Table());
    std::string text = "kept";
    EXPECT_TRUE(manager.LoadString(114, text));
    EXPECT_EQ(text, "保存配置失败");
    text = "kept";
    EXPECT_FALSE(manager.LoadString(115, text));
    EXPECT_EQ(text, "kept");

    XTPMenu menu;
    ASSERT_TRUE(manager.LoadMenu(128, menu));
    ASSERT_EQ(menu.items.size(), 1u);
    EXPECT_TRUE(menu.items[0].IsPopup());
    EXPECT_EQ(menu.items[0].popup[0].id, 57601u);
    EXPECT_FALSE(manager.LoadMenu(129, menu));

    XTPDialogTemplate dialog;
    ASSERT_TRUE(manager.LoadDialogTemplate(144, dialog));
    EXPECT_EQ(dialog.caption, "-CAN- 别名设置");
    EXPECT_EQ(dialog.fontFace, "MS Sans Serif");
    EXPECT_EQ(dialog.fontSize, 8);
    ASSERT_NE(dialog.ControlCaption(6025), nullptr);
    EXPECT_EQ(*dialog.ControlCaption(6025), "添加");  // the first with the id
    EXPECT_EQ(dialog.ControlCaption(1), nullptr);
    EXPECT_EQ(dialog.controls[0].className, "STATIC");
    EXPECT_EQ(dialog.controls[0].style, 0x50020000u);
    manager.Close();
    EXPECT_TRUE(manager.LoadString(114, text));  // built-ins survive Close
}

TEST(XtpResourceManager, InstalledManagerIsSharedAndReplaced) {
    ASSERT_NE(XTPResourceManager(), nullptr);
    EXPECT_EQ(XTPLoadString(114), "");

    int destroyed = 0;
    ASSERT_TRUE(XTPSetResourceManager(std::make_unique<CountingManager>(&destroyed)));
    EXPECT_EQ(XTPLoadString(1), "own");
    EXPECT_EQ(XTPLoadString(114), "保存配置失败");
    EXPECT_EQ(XTPLoadString(2), "");

    EXPECT_FALSE(XTPSetResourceManager(nullptr));  // refused: nothing changes
    EXPECT_EQ(XTPLoadString(1), "own");
    EXPECT_EQ(destroyed, 0);
    ASSERT_TRUE(XTPSetResourceManager(std::make_unique<CXTPResourceManager>()));
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(XTPLoadString(1), "");
}

TEST(XtpUiServices, SilentUntilInstalled) {
    CXTPUiServices& silent = XTPUiServices();
    EXPECT_EQ(silent.MessageBox(nullptr, "t", "c", 0), 0);
    EXPECT_EQ(silent.TrackPopupMenu(XTPMenuItem{}, nullptr), 0u);
    EXPECT_FALSE(silent.OpenFile("/x"));
    EXPECT_FALSE(silent.SetClipboardText("x"));
    EXPECT_EQ(silent.ClipboardText(), "");
    {
        korvex::test::FakeUiServices fake;
        fake.messageAnswer = xtp_mb::kIdNo;
        EXPECT_EQ(&XTPUiServices(), &fake);
        EXPECT_EQ(XTPUiServices().MessageBox(nullptr, "q", "Warning", xtp_mb::kYesNo),
                  xtp_mb::kIdNo);
        EXPECT_TRUE(XTPUiServices().SetClipboardText("row"));
        EXPECT_EQ(XTPUiServices().ClipboardText(), "row");
        ASSERT_EQ(fake.messages.size(), 1u);
        EXPECT_EQ(fake.messages[0].type, xtp_mb::kYesNo);
    }
    EXPECT_EQ(&XTPUiServices(), &silent);
}

}  // namespace
