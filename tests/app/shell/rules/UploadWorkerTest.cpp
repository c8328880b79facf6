#include "app/shell/rules/UploadWorker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/shell/rules/DeviceGate.h"
#include "app/shell/rules/ShellIds.h"
#include "core/KorvexGlobal.h"
#include "logport/include/logport.h"
#include "pipeusb/include/pipeusb_sim.h"
#include "tests/support/RecorderImageWriter.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TempFolder.h"
#include "xtp/XTPUiServices.h"

namespace korvex::shell {
namespace {

using korvex::test::RecorderImageContent;

// Records the worker's reports; the clock records are applied at once, as
// the program does on its user-interface thread.
class CRecordingReport final : public IUploadReport {
  public:
    explicit CRecordingReport(CKorvexGlobal& global) : global(global) {}
    void ShowMessage(std::uint32_t stringId, std::uint32_t type) override {
        messages.push_back({stringId, type});
    }
    void ShowRecorderProblem(std::uint32_t stringId, const device::RecorderProblem&,
                             std::uint32_t type) override {
        messages.push_back({stringId, type});
    }
    void ShowStatus(const std::string& text) override { statuses.push_back(text); }
    void ShowCancelled(int kept) override { cancelledKept.push_back(kept); }
    void SetWaitCursor(bool on) override { cursor.push_back(on); }
    void RebuildClockList(std::vector<_VCI_CAN_OBJ> records) override {
        global.RebuildOrigTimeList(records.data(), static_cast<int>(records.size()));
    }

    struct Message {
        std::uint32_t id;
        std::uint32_t type;
    };
    CKorvexGlobal& global;
    std::vector<Message> messages;
    std::vector<std::string> statuses;
    std::vector<int> cancelledKept;
    std::vector<bool> cursor;
};

struct Scenario {
    const char* name;
    std::uint32_t records;  // synthetic records after the special ones
    bool specials;          // 3 clock records and one 0xFE event among them
    PipeUsbSimFaultKind fault;
    std::uint8_t faultCommand;
    std::uint32_t faultSkip;
    std::uint32_t expectMessage;
    std::uint32_t expectType;
    int expectShown;  // frames in the first sink; -1: sinks untouched
    int expectCapacity;
    std::size_t expectClocks;

    friend void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }
};

class UploadWorkerTest : public ::testing::TestWithParam<Scenario> {
  protected:
    void TearDown() override {
        PipeUsbSim_ClearFaults();
        PipeUsbSim_Configure("empty");
    }
    korvex::test::TempFolder folder;
};

TEST_P(UploadWorkerTest, ReportsAndFillsTheSinksAsTheRecorderAnswers) {
    const Scenario& s = GetParam();
    RecorderImageContent content;
    if (s.specials) {
        // Clock records are both in the clock list and in the recording.
        for (std::uint8_t i = 0; i < 3; ++i) {
            const auto clock = korvex::test::ClockRecord({20, 24, 5, 6, 7, 8, i}, 100u * i);
            content.clocks.push_back(clock);
            content.records.push_back(clock);
        }
        content.records.push_back(korvex::test::EventRecord(0xFE, 0, 400, 0));
    }
    content.recordCount = s.records;
    const std::string image = folder.File("recorder.img");
    ASSERT_TRUE(korvex::test::WriteRecorderImage(image, content));
    // An unplug at no command is a recorder that is not attached at all.
    const bool absent = s.fault == PIPEUSB_SIM_UNPLUG && s.faultCommand == 0;
    ASSERT_EQ(PipeUsbSim_Configure(absent ? "" : image.c_str()), 1u);
    if (s.fault && !absent) {
        const PipeUsbSimFault fault{
            static_cast<std::uint32_t>(s.fault), 0, s.faultCommand, s.faultSkip, 100, 0};
        ASSERT_EQ(PipeUsbSim_InjectFault(&fault), 1u);
    }

    CKorvexGlobal global;
    global.origTimeList.resize(9);  // what an earlier upload left
    korvex::test::RecordingSink first;
    korvex::test::RecordingSink second;
    global.frameSinks[0] = {&first, &second};
    CUploadState state;
    state.loading.store(1);
    CRecordingReport report(global);

    EXPECT_EQ(RunUploadWorker(global, state, report, "总帧数"), 1);

    EXPECT_EQ(state.loading.load(), 0);
    ASSERT_EQ(report.messages.size(), 1u);
    EXPECT_EQ(report.messages[0].id, s.expectMessage);
    EXPECT_EQ(report.messages[0].type, s.expectType);
    EXPECT_EQ(report.cursor, (std::vector<bool>{true, false}));
    EXPECT_EQ(global.origTimeList.size(), s.expectClocks);
    if (s.expectShown < 0) {
        EXPECT_TRUE(first.calls.empty());
        EXPECT_TRUE(report.statuses.empty());
    } else {
        EXPECT_EQ(first.added.size(), static_cast<std::size_t>(s.expectShown));
        EXPECT_EQ(first.capacity, s.expectCapacity);
        EXPECT_EQ(second.capacity, s.expectCapacity);
        EXPECT_TRUE(second.added.empty());
        EXPECT_EQ(first.calls.back(), "Redraw");
        ASSERT_EQ(report.statuses.size(), 1u);
        const std::string prefix = "总帧数 ：" + std::to_string(s.expectShown) + " (Time: ";
        EXPECT_EQ(report.statuses[0].rfind(prefix, 0), 0u) << report.statuses[0];
        EXPECT_EQ(report.statuses[0].substr(report.statuses[0].size() - 3), " s)");
    }
    // Closed on every path: the gate is free and the recorder opens again
    // unless it is gone.
    EXPECT_TRUE(CDeviceGate::TryEnter().owns_lock());
    if (s.fault != PIPEUSB_SIM_UNPLUG) {
        EXPECT_EQ(LGP_OpenDevice(kDeviceType, kDeviceIndex, 0), 1u);
        LGP_CloseDevice(kDeviceType, kDeviceIndex);
    }
}

constexpr std::uint8_t kUpload = 0x17;
constexpr std::uint8_t kClockList = 0x1A;
constexpr auto kNone = static_cast<PipeUsbSimFaultKind>(0);

INSTANTIATE_TEST_SUITE_P(
    Recorders, UploadWorkerTest,
    ::testing::Values(Scenario{"ClocksAndSpanMarkerAreNotShown", 996, true, kNone, 0, 0,
                               res::kStrOperationOk, xtp_mb::kIconInformation, 996, 1000, 3},
                      Scenario{"EmptyRecorderSetsCapacityOne", 0, false, kNone, 0, 0,
                               res::kStrOperationOk, xtp_mb::kIconInformation, 0, 1, 0},
                      Scenario{"UnpluggedRecorderCannotBeOpened", 10, false, PIPEUSB_SIM_UNPLUG, 0,
                               0, res::kStrOpenDeviceFailed, xtp_mb::kIconWarning, -1, 0, 9},
                      Scenario{"ClockListUnanswered", 10, false, PIPEUSB_SIM_NO_REPLY, kClockList,
                               0, res::kStrClockListFailed, xtp_mb::kIconWarning, -1, 0, 9},
                      // The count and two blocks came before block 3 went unanswered.
                      Scenario{"BlockUnansweredShowsWhatCameAndFails", 1000, false,
                               PIPEUSB_SIM_NO_REPLY, kUpload, 3, res::kStrUploadFailed,
                               xtp_mb::kIconWarning, 800, 800, 0},
                      // The count and two blocks came before the recorder went.
                      Scenario{"PulledOutMidUploadShowsWhatCame", 1000, false, PIPEUSB_SIM_UNPLUG,
                               kUpload, 3, res::kStrUploadFailed, xtp_mb::kIconWarning, 800, 800,
                               0}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvex::shell
