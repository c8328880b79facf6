#pragma once

// Fixture for tests that drive Logport through its C interface against the
// virtual recorder. Each test gets fresh recorder image files in a temporary
// folder, a frozen recorder clock and no pending faults.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "logport/include/logport.h"
#include "pipeusb/include/pipeusb_sim.h"
#include "tests/support/RecorderImageWriter.h"

namespace logport::test {

inline constexpr std::uint8_t kUpload = 0x17;
inline constexpr std::uint32_t kType = 21;

struct FrameArrayDeleter {
    void operator()(_VCI_CAN_OBJ* p) const { delete[] p; }
};
using FrameArray = std::unique_ptr<_VCI_CAN_OBJ, FrameArrayDeleter>;

class LogportSimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        PipeUsbSim_SetClock([](void*) -> std::uint64_t { return 1'000'000; }, nullptr);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = std::filesystem::path(::testing::TempDir()) /
                 (std::string("logport_") + info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        // The filter lists outlive every test; clearing needs a recorder.
        ASSERT_EQ(PipeUsbSim_Configure("empty"), 1u);
        ASSERT_EQ(LGP_SetReference(kType, 0, 0, LGP_REF_CLEAR, nullptr), 1u);
    }

    void TearDown() override {
        LGP_CloseDevice(kType, 0);
        PipeUsbSim_SetReplyScript(nullptr, 0);
        PipeUsbSim_Configure("empty");
        PipeUsbSim_SetClock(nullptr, nullptr);
        std::filesystem::remove_all(folder);
    }

    std::string WriteImage(const korvex::test::RecorderImageContent& content,
                           const std::string& name = "recorder.img") {
        const std::string path = (folder / name).string();
        EXPECT_TRUE(korvex::test::WriteRecorderImage(path, content));
        return path;
    }

    // Attaches one recorder holding `records` synthetic records and opens it.
    void OpenRecorderWith(std::uint32_t records) {
        korvex::test::RecorderImageContent content;
        content.recordCount = records;
        ASSERT_EQ(PipeUsbSim_Configure(WriteImage(content).c_str()), 1u);
        ASSERT_EQ(LGP_OpenDevice(kType, 0, 0), 1u);
    }

    static void Fault(PipeUsbSimFaultKind kind, std::uint8_t command, std::uint32_t skip,
                      std::uint32_t count, std::uint32_t delayMs = 0) {
        const PipeUsbSimFault fault{
            static_cast<std::uint32_t>(kind), 0, command, skip, count, delayMs};
        ASSERT_EQ(PipeUsbSim_InjectFault(&fault), 1u);
    }

    static FrameArray RunUpload(std::uint32_t& count) {
        return FrameArray(LGP_LoadFrame(kType, 0, &count));
    }

    // Each element is what the converter makes of RecordFromCounter(i).
    static void ExpectSyntheticFrames(const _VCI_CAN_OBJ* frames, std::uint32_t count) {
        for (std::uint32_t i = 0; i < count; ++i) {
            const _VCI_CAN_OBJ& f = frames[i];
            ASSERT_EQ(f.ID, i);
            ASSERT_EQ(f.TimeStamp, i + 1);
            ASSERT_EQ(f.TimeFlag, 1);
            ASSERT_EQ(f.SendType, i & 1 ? 0xFF : 0x00);
            ASSERT_EQ(f.DataLen, 8);
            ASSERT_EQ(f.Data[7], static_cast<std::uint8_t>(i + 7));
            ASSERT_EQ(f.Reserved[0], 0);
            ASSERT_EQ(f.Reserved[1], i % 7);
        }
    }

    std::filesystem::path folder;
};

}  // namespace logport::test
