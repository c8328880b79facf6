// The program's start-up look for a recorder, through libusb against
// recorders emulated at the usbdevfs ioctls.

#include <gtest/gtest.h>

#include <cstdlib>

#include "pipeusb/include/pipeusb_diag.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/support/QtTestApplication.h"
#include "tests/support/umockdev/RecorderTestbed.h"

namespace korvex::shell::test {
namespace {

using korvex::test::CEmulatedRecorder;
using korvex::test::CRecorderTestbed;
using korvex::test::DemoRecorderSpec;

// Read once, on first use: set before any test runs.
const bool kUsbChosen = [] {
    setenv("PIPEUSB_BACKEND", "usb", 1);
    return true;
}();

CRecorderTestbed& Bed() {
    static CRecorderTestbed bed;
    return bed;
}

class ShellUmockdevTest : public ShellFixture {
  protected:
    void SetUp() override {
        ASSERT_TRUE(kUsbChosen);
        Bed().UnplugAll();
    }
    void TearDown() override {
        shell.reset();
        global.reset();
        Bed().UnplugAll();
    }

    // Starts the program on the USB back end, with whatever is plugged in.
    void StartOnUsb() {
        ASSERT_EQ(PipeUsb_SelectBackend("usb"), 1u);
        global = std::make_unique<CKorvexGlobal>(folder.Path());
        shell = std::make_unique<CKorvexShell>(*global, false);
        ASSERT_TRUE(shell->InitInstance());
        main = shell->MainFrame();
        ASSERT_NE(main, nullptr);
    }
};

TEST_F(ShellUmockdevTest, WithoutARecorderTheProgramSaysSoOnce) {
    StartOnUsb();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"设备未连接"});
}

TEST_F(ShellUmockdevTest, WithARecorderItStartsSilentlyAndGivesItBack) {
    const CEmulatedRecorder& r = Bed().Plug(DemoRecorderSpec());
    StartOnUsb();
    EXPECT_TRUE(ui.messages.empty()) << MessageTexts().front();
    EXPECT_EQ(r.Claims(), 1u) << "looked for once";
    EXPECT_FALSE(r.Claimed()) << "and given back";
    EXPECT_EQ(r.Packets(0), 0u);
}

}  // namespace
}  // namespace korvex::shell::test
