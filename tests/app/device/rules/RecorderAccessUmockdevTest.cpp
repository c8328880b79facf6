// The program's device actions on a recorder that is attached but refused
// (no permission on its node) or held by another program, through libusb
// against recorders emulated at the usbdevfs ioctls: each action's message
// is its own failure text followed by where the recorder is and what to do,
// and nothing is sent to the recorder.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/device/rules/ClearRules.h"
#include "app/device/rules/ConfigDialogRules.h"
#include "app/device/rules/PresetFrameRules.h"
#include "app/device/rules/RecorderAccess.h"
#include "app/device/rules/RecorderActions.h"
#include "app/resources/rules/BuiltInResources.h"
#include "app/shell/rules/ShellIds.h"
#include "app/shell/rules/UploadWorker.h"
#include "core/KorvexGlobal.h"
#include "pipeusb/include/pipeusb_diag.h"
#include "tests/support/umockdev/RecorderTestbed.h"
#include "xtp/XTPResourceManager.h"
#include "xtp/XTPUiServices.h"

namespace korvex::device {
namespace {

using korvex::test::CEmulatedRecorder;
using korvex::test::DemoRecorderSetup;
using korvex::test::EmulatedRecorderSetup;
using korvex::test::Testbed;

// Read once, on first use: set before any test runs.
const bool kUsbChosen = korvex::test::ChooseUsbBackend();

// The upload's one report, with the problem it names.
class CProblemReport final : public shell::IUploadReport {
  public:
    void ShowMessage(std::uint32_t stringId, std::uint32_t) override {
        text = XTPLoadString(stringId);
    }
    void ShowRecorderProblem(std::uint32_t stringId, const RecorderProblem& problem,
                             std::uint32_t) override {
        text = XTPLoadString(stringId) + "\n" + RecorderProblemText(problem);
    }
    void ShowStatus(const std::string&) override {}
    void ShowCancelled(int) override {}
    void SetWaitCursor(bool) override {}
    void RebuildClockList(std::vector<_VCI_CAN_OBJ>) override {}
    std::string text;
};

std::string UploadMessage() {
    CKorvexGlobal global;
    shell::CUploadState state;
    state.loading.store(1);
    CProblemReport report;
    shell::RunUploadWorker(global, state, report, "总帧数");
    return report.text;
}

struct Action {
    const char* name;
    const char* failure;  // the action's own message before the advice
    std::function<std::string()> run;
};

TEST(RecorderAccessUmockdevTest, EveryActionSaysWhereTheRecorderIsAndWhatToDo) {
    ASSERT_TRUE(kUsbChosen);
    InstallBuiltInResources();
    ASSERT_EQ(PipeUsb_SelectBackend("usb"), 1u);
    const Action actions[] = {
        {"configuration read", "操作失败",
         [] {
             CConfigDialogRules rules(BaseInfo{}, FilterInfo{}, 0);
             rules.Initialise();
             return rules.Read().text;
         }},
        {"configuration write", "操作失败",
         [] {
             CConfigDialogRules rules(BaseInfo{}, FilterInfo{}, 0);
             rules.Initialise();
             rules.controls.sendInterval = "64";
             rules.controls.clock = "2026-12-06 11:30:00";
             return rules.Config().text;
         }},
        {"preset read", "操作失败", [] { return CPresetDialogRules(CANSetting{}).Read().text; }},
        {"preset write", "操作失败",
         [] {
             CPresetDialogRules rules(CANSetting{});
             rules.Show();
             return rules.Write().text;
         }},
        {"clear", "打开设备失败!", [] { return ClearOutcomeMessage(ClearRecorder(0), 0).text; }},
        {"upload", "打开设备失败!", [] { return UploadMessage(); }},
    };
    struct Access {
        bool denied;
        const char* advice;
    };
    for (const Access access :
         {Access{true, "上的记录仪已连接，但没有权限打开。请安装 70-korvex-recorder.rules"},
          Access{false, "上的记录仪已连接，但正被另一个程序占用。请关闭那个程序后重试。"}}) {
        EmulatedRecorderSetup setup = DemoRecorderSetup();
        setup.accessDenied = access.denied;
        CEmulatedRecorder& r = Testbed().Plug(setup);
        r.SetBusy(!access.denied);
        const std::string place = "总线 1、设备 " + std::to_string(r.Address()) + " ";
        for (const Action& action : actions) {
            SCOPED_TRACE(std::string(action.name) + (access.denied ? ", refused" : ", held"));
            const std::string text = action.run();
            EXPECT_EQ(text.rfind(std::string(action.failure) + "\n" + place + access.advice, 0), 0u)
                << text;
        }
        EXPECT_EQ(r.Packets(0), 0u) << "nothing reached the recorder";
        EXPECT_FALSE(r.Claimed());
        Testbed().Unplug(r);
    }

    // A recorder that is simply absent gets the failure alone.
    EXPECT_EQ(ClearOutcomeMessage(ClearRecorder(0), 0).text, "打开设备失败!");
    EXPECT_EQ(UploadMessage(), "打开设备失败!");
}

}  // namespace
}  // namespace korvex::device
