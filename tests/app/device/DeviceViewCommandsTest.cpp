#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <cstring>

#include "app/device/DlgConfig.h"
#include "app/device/DlgPreFrameSetting.h"
#include "app/device/DlgSure.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/support/QtTestApplication.h"

namespace {

using korvex::device::CDlgConfig;
using korvex::device::CDlgPreFrameSetting;
using korvex::device::CDlgSure;

class DeviceViewCommandsTest : public korvex::shell::test::ShellFixture {};

// The view's three device commands open their dialogs over the program's
// global state and reach the recorder.
TEST_F(DeviceViewCommandsTest, CommandsOpenTheDeviceDialogs) {
    korvex::test::RecorderImageContent content;
    content.recordCount = 20;
    const std::string image = folder.File("rec.img");
    ASSERT_TRUE(korvex::test::WriteRecorderImage(image, content));
    Start(image);
    korvex::shell::CKorvexView& view = View();
    for (std::uint32_t id : {32771u, 32793u, 32805u}) EXPECT_TRUE(view.HasCommand(id)) << id;

    bool sawConfig = false;
    auto closeConfig = Every10ms([&] {
        auto* dialog = qobject_cast<CDlgConfig*>(QApplication::activeModalWidget());
        if (!dialog) return false;
        sawConfig = true;
        QTest::mouseClick(dialog->findChild<QPushButton*>("read"), Qt::LeftButton);
        dialog->reject();
        return true;
    });
    EXPECT_TRUE(view.OnCommand(32771));
    EXPECT_TRUE(sawConfig);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().text, "操作成功");

    bool sawPresets = false;
    auto closePresets = Every10ms([&] {
        auto* dialog = qobject_cast<CDlgPreFrameSetting*>(QApplication::activeModalWidget());
        if (!dialog) return false;
        sawPresets = true;
        dialog->reject();
        return true;
    });
    EXPECT_TRUE(view.OnCommand(32793));
    EXPECT_TRUE(sawPresets);

    auto answerYes = Every10ms([] {
        auto* sure = qobject_cast<CDlgSure*>(QApplication::activeModalWidget());
        if (!sure) return false;
        QTest::mouseClick(sure->findChild<QPushButton*>("yes"), Qt::LeftButton);
        return true;
    });
    EXPECT_TRUE(view.OnCommand(32805));
    EXPECT_EQ(ui.messages.back().text, "操作成功!");
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, 0x18), 1u);
}

}  // namespace
