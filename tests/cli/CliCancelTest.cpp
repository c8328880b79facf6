// The upload's cancel path: the watcher thread passes a cancel request to
// the library while LGP_LoadFrame runs on the upload thread.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "tests/cli/CliTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::test::CliRun;
using korvex::test::CliTest;
using korvex::test::ReadBytes;
using korvex::test::RunCli;
using korvex::test::ShownRecords;
using korvex::test::TempFolder;

TEST_F(CliTest, CancelKeepsTheFramesReceivedSoFar) {
    ASSERT_EQ(PipeUsbSim_Configure("demo"), 1u);
    const std::uint32_t shown = ShownRecords(0);
    // Slow every block exchange so the cancel arrives mid-upload.
    const PipeUsbSimFault slow{PIPEUSB_SIM_DELAY, 0, 0x17, 3, 100000, 20};
    ASSERT_EQ(PipeUsbSim_InjectFault(&slow), 1u);
    TempFolder dir;
    CliRun run;
    std::thread upload([&] { run = RunCli({"upload", "-o", (dir / "part.can").string()}); });
    while (LGP_GetCurLoadCount() == 0 || LGP_GetAllLoadCount() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    korvex::cli::RequestCancel();
    upload.join();
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string bytes = ReadBytes(dir / "part.can");
    std::uint32_t clocks = 0;
    std::memcpy(&clocks, bytes.data() + 20, 4);
    const std::size_t frames = (bytes.size() - 24 - 12 * clocks) / 24;
    EXPECT_GT(frames, 0u);
    EXPECT_LT(frames, shown);
    EXPECT_EQ(run.out.rfind("总帧数 ：" + std::to_string(frames) + " ", 0), 0u) << run.out;
}

}  // namespace
