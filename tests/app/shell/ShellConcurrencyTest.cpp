#include "app/shell/ProgressDlg.h"
#include "app/shell/RecorderAccess.h"
#include "app/shell/rules/ShellIds.h"
#include "logport/include/logport.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/support/QtTestApplication.h"
#include "tests/support/TsanQtOptions.h"

namespace korvex::shell::test {
namespace {

class ShellConcurrencyTest : public ShellFixture {};

// After the progress dialog is closed the worker stays inside the library
// until its block exchange ends; a device action then says that the recorder
// is busy instead of waiting, and gets the recorder once the worker has gone.
TEST_F(ShellConcurrencyTest, DeviceActionAfterCancelledUploadSaysBusyUntilTheWorkerHasGone) {
    Start(Image(4000, false));
    // Long enough that the worker is still inside its exchange when the test
    // asks, on a loaded machine too.
    DelayBlocks(1000, 10);
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
    ASSERT_TRUE(View().UploadState().workerRunning.load());

    ui.messages.clear();
    EXPECT_FALSE(TakeRecorder().owns_lock());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "记录仪正忙：正在上载报文。请等上载结束或取消上载后再试。");

    EXPECT_TRUE(QTest::qWaitFor([this] { return !View().UploadState().workerRunning.load(); }));
    std::unique_lock<std::mutex> device = TakeRecorder();
    ASSERT_TRUE(device.owns_lock());
    EXPECT_EQ(LGP_OpenDevice(kDeviceType, kDeviceIndex, 0), 1u);
    LGP_CloseDevice(kDeviceType, kDeviceIndex);
    device.unlock();
    EXPECT_TRUE(QTest::qWaitFor([this] { return ui.messages.size() == 2; }));
    // A cancelled upload says so, with the frames it kept.
    EXPECT_EQ(ui.messages.back().text,
              "上载已取消，保留了已收到的 " + std::to_string(StoredFrames()) + " 帧。");
    EXPECT_GE(StoredFrames(), 400);
    EXPECT_LT(StoredFrames(), 4000);
}

}  // namespace
}  // namespace korvex::shell::test
