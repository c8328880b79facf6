#include <QStatusBar>

#include "app/shell/DeviceWait.h"
#include "app/shell/ProgressDlg.h"
#include "app/shell/rules/ShellIds.h"
#include "logport/include/logport.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/support/QtTestApplication.h"
#include "tests/support/TsanQtOptions.h"

namespace korvex::shell::test {
namespace {

class ShellConcurrencyTest : public ShellFixture {};

// After the progress dialog is closed the worker stays inside the library
// until its block exchange ends; a device action started then waits for it,
// says so, and only then gets the recorder.
TEST_F(ShellConcurrencyTest, DeviceActionAfterCancelledUploadWaitsForTheWorker) {
    Start(Image(4000, false));
    DelayBlocks(300, 10);
    CProgressDlg& dialog = View().ProgressDialog();
    // Nothing is painted: Qt paints large images on pooled threads of its
    // own, which the sanitizer cannot see synchronise.
    for (QWidget* window : {static_cast<QWidget*>(main), static_cast<QWidget*>(&dialog)}) {
        window->hide();
        window->setAttribute(Qt::WA_DontShowOnScreen);
    }
    main->show();
    const auto cancel = Every10ms([&] {
        if (!dialog.isVisible() || LGP_GetCurLoadCount() < 400) return false;
        dialog.reject();
        return true;
    });
    main->RunCommand(cmd::kUpload);
    ASSERT_FALSE(dialog.isVisible());

    bool sawWaiting = false;
    const auto watch = Every10ms([&] {
        sawWaiting = main->PaneText(0) == QString("正在等待上一次上载结束……");
        return sawWaiting;
    });
    std::unique_lock<std::mutex> device = WaitForDevice();
    ASSERT_TRUE(device.owns_lock());
    EXPECT_TRUE(sawWaiting);
    EXPECT_EQ(View().UploadState().loading.load(), 0);
    EXPECT_NE(main->PaneText(0), QString("正在等待上一次上载结束……"));
    // The recorder is ours now: it opens, and the worker's upload has ended.
    EXPECT_EQ(LGP_OpenDevice(kDeviceType, kDeviceIndex, 0), 1u);
    LGP_CloseDevice(kDeviceType, kDeviceIndex);
    device.unlock();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !ui.messages.empty(); }));
    EXPECT_EQ(ui.messages.back().text, "操作成功!");
    EXPECT_GE(StoredFrames(), 400);
    EXPECT_LT(StoredFrames(), 4000);
}

}  // namespace
}  // namespace korvex::shell::test
