#pragma once

// Device rules against the virtual recorder: built-in texts installed, a
// frozen recorder clock, fresh image files per test, empty filter lists.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/resources/rules/BuiltInResources.h"
#include "logport/include/logport.h"
#include "pipeusb/include/pipeusb_sim.h"
#include "tests/support/RecorderImageWriter.h"
#include "tests/support/TempFolder.h"

namespace korvex::test {

namespace wire {
inline constexpr std::uint8_t kSetBaseInfo = 0x11;
inline constexpr std::uint8_t kSetPreFrame = 0x12;
inline constexpr std::uint8_t kSetFilter = 0x13;
inline constexpr std::uint8_t kGetBaseInfo = 0x14;
inline constexpr std::uint8_t kGetFilter = 0x16;
inline constexpr std::uint8_t kClearFrames = 0x18;
inline constexpr std::uint8_t kFactoryDefault = 0x19;
}  // namespace wire

class DeviceSimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        InstallBuiltInResources();
        PipeUsbSim_SetClock([](void*) -> std::uint64_t { return 1'000'000; }, nullptr);
        PipeUsbSim_ClearFaults();
        ASSERT_EQ(PipeUsbSim_Configure("empty"), 1u);
        ASSERT_EQ(LGP_SetReference(LGP_DEVTYPE, 0, 0, LGP_REF_CLEAR, nullptr), 1u);
    }
    void TearDown() override {
        PipeUsbSim_ClearFaults();
        PipeUsbSim_Configure("demo");
        PipeUsbSim_SetClock(nullptr, nullptr);
    }

    // Attaches recorders from image contents, separated as PIPEUSB_SIM is.
    std::string Attach(const std::vector<RecorderImageContent>& images) {
        std::string list;
        for (std::size_t i = 0; i < images.size(); ++i) {
            const std::string path = folder.File("rec" + std::to_string(i) + ".img");
            EXPECT_TRUE(WriteRecorderImage(path, images[i]));
            list += (i ? ";" : "") + path;
        }
        EXPECT_EQ(PipeUsbSim_Configure(list.c_str()), 1u);
        return list;
    }

    static std::uint32_t Sent(std::uint32_t device, std::uint8_t command) {
        return PipeUsbSim_ExchangeCount(device, command);
    }

    // The recorder's configuration as Logport reads it.
    static BaseInfo RecorderBase(std::uint32_t index = 0) {
        BaseInfo base{};
        LGP_OpenDevice(LGP_DEVTYPE, index, 0);
        EXPECT_EQ(LGP_GetBaseInfo(LGP_DEVTYPE, index, &base), 1u);
        LGP_CloseDevice(LGP_DEVTYPE, index);
        return base;
    }

    TempFolder folder;
};

}  // namespace korvex::test
