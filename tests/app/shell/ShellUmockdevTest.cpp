// The program's start-up look for a recorder, through libusb against
// recorders emulated at the usbdevfs ioctls.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "pipeusb/include/pipeusb_diag.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/support/QtTestApplication.h"
#include "tests/support/umockdev/RecorderTestbed.h"
#include "xtp/XTPUiServices.h"

namespace korvex::shell::test {
namespace {

using korvex::test::CEmulatedRecorder;
using korvex::test::DemoRecorderSetup;
using korvex::test::Testbed;

// Read once, on first use: set before any test runs.
const bool kUsbChosen = korvex::test::ChooseUsbBackend();

class ShellUmockdevTest : public ShellFixture {
  protected:
    void SetUp() override {
        ASSERT_TRUE(kUsbChosen);
        Testbed().UnplugAll();
    }
    void TearDown() override {
        shell.reset();
        global.reset();
        Testbed().UnplugAll();
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
    const CEmulatedRecorder& r = Testbed().Plug(DemoRecorderSetup());
    StartOnUsb();
    EXPECT_TRUE(ui.messages.empty()) << MessageTexts().front();
    EXPECT_EQ(r.Claims(), 1u) << "looked for once";
    EXPECT_FALSE(r.Claimed()) << "and given back";
    EXPECT_EQ(r.Packets(0), 0u);
}

TEST_F(ShellUmockdevTest, ARefusedOrHeldRecorderIsNamedWithWhatToDoInTheChosenLanguage) {
    struct Case {
        bool denied;
        bool english;
        const char* place;  // "%d" the device number
        const char* says;
    };
    for (const Case c :
         {Case{true, false, "总线 1、设备 %d",
               " 上的记录仪已连接，但没有权限打开。请安装 70-korvex-recorder.rules"},
          Case{false, false, "总线 1、设备 %d", " 上的记录仪已连接，但正被另一个程序占用。"},
          Case{true, true, "The recorder on bus 1, device %d",
               " is attached but cannot be opened: no permission. Install "
               "70-korvex-recorder.rules"},
          Case{false, true, "The recorder on bus 1, device %d",
               " is attached but another program is using it. Close that program"}}) {
        SCOPED_TRACE(std::string(c.says));
        std::filesystem::remove_all(folder.Path() / "language");
        if (c.english) {
            std::filesystem::copy(KORVEX_LANGUAGE_SOURCE, folder.Path() / "language");
            const std::filesystem::path list = folder.Path() / "language" / "config.ini";
            std::string text = korvex::test::ReadBytes(list);
            text.replace(text.find("Sel=0"), 5, "Sel=1");  // English
            korvex::test::WriteBytes(list, text);
        }
        korvex::test::EmulatedRecorderSetup setup = DemoRecorderSetup();
        setup.accessDenied = c.denied;
        CEmulatedRecorder& r = Testbed().Plug(setup);
        r.SetBusy(!c.denied);
        ui.messages.clear();
        StartOnUsb();
        ASSERT_EQ(ui.messages.size(), 1u);
        char place[64];
        std::snprintf(place, sizeof place, c.place, static_cast<int>(r.Address()));
        EXPECT_EQ(ui.messages[0].text.rfind(place + std::string(c.says), 0), 0u)
            << ui.messages[0].text;
        EXPECT_EQ(ui.messages[0].type & xtp_mb::kIconMask, xtp_mb::kIconWarning);
        EXPECT_FALSE(r.Claimed());
        shell.reset();
        global.reset();
        Testbed().Unplug(r);
    }
}

}  // namespace
}  // namespace korvex::shell::test
