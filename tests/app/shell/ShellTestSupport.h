#pragma once

// A running program for widget tests: the shell's windows over a global
// state in a temporary settings folder, the virtual recorder and fake
// desktop services that answer message boxes and file dialogs.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "app/framelist/KorvexList.h"
#include "app/shell/ChildFrame.h"
#include "app/shell/KorvexShell.h"
#include "app/shell/KorvexView.h"
#include "app/shell/MainFrame.h"
#include "core/KorvexGlobal.h"
#include "pipeusb/include/pipeusb_sim.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/RecorderImageWriter.h"
#include "tests/support/TempFolder.h"

namespace korvex::shell::test {

class ShellFixture : public ::testing::Test {
  protected:
    void TearDown() override {
        shell.reset();
        global.reset();
        PipeUsbSim_ClearFaults();
        PipeUsbSim_Configure("empty");
    }

    // Attaches `recorders` ("", "empty", "demo" or an image path) and starts.
    void Start(const std::string& recorders) {
        ASSERT_EQ(PipeUsbSim_Configure(recorders.c_str()), 1u);
        global = std::make_unique<CKorvexGlobal>(folder.Path());
        shell = std::make_unique<CKorvexShell>(*global, false);
        ASSERT_TRUE(shell->InitInstance());
        main = shell->MainFrame();
        list = shell->FrameList();
        ASSERT_TRUE(main && list);
    }

    // An image of `records` synthetic records, with three clock records and a
    // 0xFE event record in front when `specials`.
    std::string Image(std::uint32_t records, bool specials) {
        korvex::test::RecorderImageContent content;
        if (specials) {
            for (std::uint8_t i = 0; i < 3; ++i) {
                const auto clock = korvex::test::ClockRecord({20, 24, 5, 6, 7, 8, i}, 100u * i);
                content.clocks.push_back(clock);
                content.records.push_back(clock);
            }
            content.records.push_back(korvex::test::EventRecord(0xFE, 0, 400, 0));
        }
        content.recordCount = records;
        const std::string path = folder.File("recorder.img");
        EXPECT_TRUE(korvex::test::WriteRecorderImage(path, content));
        return path;
    }

    // Every block after the count answers `delayMs` late.
    static void DelayBlocks(std::uint32_t delayMs, std::uint32_t blocks) {
        const PipeUsbSimFault fault{PIPEUSB_SIM_DELAY, 0, 0x17, 1, blocks, delayMs};
        ASSERT_EQ(PipeUsbSim_InjectFault(&fault), 1u);
    }

    CKorvexView& View() const { return main->ActiveChild()->View(); }
    int StoredFrames() const { return list->Record().frameStore.GetCount(); }

    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : ui.messages) texts.push_back(m.text);
        return texts;
    }

    // Runs `check` every 10 ms (also inside modal loops) until it returns
    // true or the returned timer goes.
    [[nodiscard]] static std::unique_ptr<QTimer> Every10ms(std::function<bool()> check) {
        auto timer = std::make_unique<QTimer>();
        QTimer* t = timer.get();
        QObject::connect(t, &QTimer::timeout, t, [t, check] {
            if (check()) t->stop();
        });
        t->start(10);
        return timer;
    }

    korvex::test::TempFolder folder;
    korvex::test::FakeUiServices ui;
    std::unique_ptr<CKorvexGlobal> global;
    std::unique_ptr<CKorvexShell> shell;
    CMainFrame* main = nullptr;
    CKorvexList* list = nullptr;
};

}  // namespace korvex::shell::test
