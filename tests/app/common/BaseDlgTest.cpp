#include "app/common/BaseDlg.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <memory>
#include <string>

#include "tests/support/QtTestApplication.h"
#include "xtp/XTPResourceManager.h"
#include "xtp/XTPResourceXml.h"

namespace {

// Installs a manager that serves exactly `xml` and restores an empty one after.
class ScopedResources {
  public:
    explicit ScopedResources(const std::string& xml) { Install(xml); }
    ~ScopedResources() { XTPSetResourceManager(std::make_unique<CXTPResourceManager>()); }
    static void Install(const std::string& xml) {
        XTPResourceTable table;
        std::string error;
        ASSERT_TRUE(ParseResourceXml(xml.data(), xml.size(), table, error)) << error;
        XTPSetResourceManager(std::make_unique<CXTPResourceManager>(std::move(table)));
    }
};

const char kChinese[] = R"(<resource>
  <dialog id="7000" style="0x80C80000" caption="进度" position="0,0,100,50">
    <control id="1" class="BUTTON" caption="确定" position="1,1,20,10"/>
    <control id="9008" caption="正在执行" position="1,1,20,10"/>
    <control id="9008" caption="second of the same id" position="1,1,20,10"/>
    <control id="77" class="BUTTON" caption="组" position="1,1,20,10"/>
  </dialog>
</resource>)";

const char kEnglish[] = R"(<resource>
  <dialog id="7000" style="0x80C80000" caption="Progress" position="0,0,100,50">
    <control id="1" class="BUTTON" caption="OK" position="1,1,20,10"/>
    <control id="9008" caption="Working" position="1,1,20,10"/>
    <control id="77" class="BUTTON" caption="Group" position="1,1,20,10"/>
  </dialog>
</resource>)";

class CProbeDlg : public name_share::CBaseDlg {
  public:
    explicit CProbeDlg(std::uint32_t id) : CBaseDlg(id, nullptr) {
        button = new QPushButton(this);
        label = new QLabel(this);
        group = new QGroupBox(this);
        BindCaption(button, 1);
        BindCaption(label, 9008);
        BindCaption(group, 77);
    }
    void OnRelabel() override { ++relabels; }

    QPushButton* button;
    QLabel* label;
    QGroupBox* group;
    int relabels = 0;
};

TEST(BaseDlg, TakesEveryCaptionByControlIdFromTheInstalledTemplate) {
    ScopedResources resources(kChinese);
    CProbeDlg dlg(7000);
    EXPECT_EQ(dlg.windowTitle(), QString("进度"));
    EXPECT_EQ(dlg.button->text(), QString("确定"));
    // The first control of an id wins, as the dialog manager finds it.
    EXPECT_EQ(dlg.label->text(), QString("正在执行"));
    EXPECT_EQ(dlg.group->title(), QString("组"));
    EXPECT_EQ(dlg.Caption(12345), QString());
}

TEST(BaseDlg, UnknownTemplateLeavesTextsEmpty) {
    ScopedResources resources(kChinese);
    CProbeDlg dlg(7001);
    EXPECT_EQ(dlg.windowTitle(), QString());
    EXPECT_EQ(dlg.button->text(), QString());
}

TEST(BaseDlg, RelabelAllFollowsANewlyInstalledLanguage) {
    ScopedResources resources(kChinese);
    CProbeDlg first(7000);
    CProbeDlg second(7000);
    ScopedResources::Install(kEnglish);
    name_share::CBaseDlg::RelabelAll();
    for (CProbeDlg* dlg : {&first, &second}) {
        EXPECT_EQ(dlg->windowTitle(), QString("Progress"));
        EXPECT_EQ(dlg->button->text(), QString("OK"));
        EXPECT_EQ(dlg->label->text(), QString("Working"));
        EXPECT_EQ(dlg->group->title(), QString("Group"));
        EXPECT_EQ(dlg->relabels, 1);
    }
}

TEST(BaseDlg, ABoundWidgetDestroyedFirstIsNotRelabelled) {
    ScopedResources resources(kChinese);
    CProbeDlg dlg(7000);
    delete dlg.label;
    ScopedResources::Install(kEnglish);
    dlg.Relabel();
    EXPECT_EQ(dlg.button->text(), QString("OK"));
}

TEST(BaseDlg, LanguageChangeEventRelabels) {
    ScopedResources resources(kChinese);
    CProbeDlg dlg(7000);
    ScopedResources::Install(kEnglish);
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(&dlg, &change);
    EXPECT_EQ(dlg.windowTitle(), QString("Progress"));
    EXPECT_EQ(dlg.relabels, 1);
}

}  // namespace
