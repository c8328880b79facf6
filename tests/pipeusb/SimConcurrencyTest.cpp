// Two recorders uploaded from two threads at once while a third reads the
// device list and the exchange counters: under ThreadSanitizer this shows the
// sim's state is guarded.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "pipeusb/include/pipeusb_sim.h"
#include "tests/pipeusb/PipeUsbTestSupport.h"

namespace pipeusb::test {
namespace {

struct Upload {
    bool opened = false;
    std::uint32_t count = 0;
    std::vector<std::uint8_t> records;
    std::uint32_t failures = 0;
};

void UploadAll(std::uint32_t index, std::uint32_t maxBlocks, Upload& out) {
    CSimSession s(index);
    out.opened = s.Open();
    if (!out.opened) return;
    const Reply count = s.Command(0x17, U32(0));
    out.count = LoadLe32(&count.bytes[4]);
    for (std::uint32_t n = 1; n <= maxBlocks && (n - 1) * 400 < out.count; ++n) {
        const Reply block = s.Bulk(0x17, U32(n));
        if (block.result != 1 || block.bytes[1] != 0x17) ++out.failures;
        out.records.insert(out.records.end(), block.bytes.begin() + 4,
                           block.bytes.begin() + 4 + 9600);
    }
}

TEST(SimConcurrency, ParallelUploadsSeeTheirOwnRecorderWhileCountersAreRead) {
    ASSERT_EQ(PipeUsbSim_Configure("demo;demo"), 1u);
    ASSERT_EQ(GetDeviceList(), 1u);
    Upload a, b;
    std::atomic<bool> done{false};
    std::atomic<std::uint32_t> polls{0};
    std::thread reader([&] {
        while (!done.load()) {
            polls += GetDevCount() == 2 ? 1 : 0;
            polls += PipeUsbSim_ExchangeCount(0, 0x17) < 1000 ? 0 : 1;
        }
    });
    // On a busy machine the reader might otherwise first run after the
    // uploads have ended; it must poll while they run.
    while (polls.load() == 0) std::this_thread::yield();
    std::thread first([&] { UploadAll(0, 60, a); });
    std::thread second([&] { UploadAll(1, 60, b); });
    first.join();
    second.join();
    done = true;
    reader.join();

    ASSERT_TRUE(a.opened);
    ASSERT_TRUE(b.opened);
    EXPECT_EQ(a.failures, 0u);
    EXPECT_EQ(b.failures, 0u);
    EXPECT_EQ(a.count, b.count);
    EXPECT_EQ(a.records.size(), 60u * 9600u);
    EXPECT_EQ(a.records, b.records);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(0, 0x17), 61u);
    EXPECT_EQ(PipeUsbSim_ExchangeCount(1, 0x17), 61u);
}

}  // namespace
}  // namespace pipeusb::test
