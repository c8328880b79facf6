// Recorder image files: loaded when attached, rewritten whole after every
// configuration write or memory clear, refused when damaged.

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "pipeusb/include/pipeusb_sim.h"
#include "tests/pipeusb/PipeUsbTestSupport.h"

namespace pipeusb::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint64_t FrozenNow(void*) {
    return 5000;
}

class RecorderImageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        PipeUsbSim_SetClock(&FrozenNow, nullptr);
        parts_.baseInfo.assign(30, 0x00);
        parts_.baseInfo[0] = 0x07;
        for (std::size_t i = 23; i < 30; ++i)
            parts_.baseInfo[i] = static_cast<std::uint8_t>(i - 20);
        parts_.filterHeader[4] = 4;
        parts_.filterHeader[20] = 1;
        parts_.filterTable[0] = 0x11;
        parts_.presets[24] = 0x0F;
        parts_.clockCount = 2;
        parts_.clocks = TestRecords(0, 2, 0xFF);
        parts_.recordCount = 5;
        parts_.records = TestRecords(0, 5);
        path_ = dir_.File("recorder.img");
        WriteFile(path_, parts_.Bytes());
    }
    void TearDown() override { PipeUsbSim_SetClock(nullptr, nullptr); }

    TempFolder dir_;
    ImageParts parts_;
    std::string path_;
};

TEST_F(RecorderImageTest, ImageIsLoadedRewrittenAfterWritesAndReloaded) {
    ASSERT_EQ(PipeUsbSim_Configure(path_.c_str()), 1u);
    CSimSession s;
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(s.Command(0x14, {0}).bytes, CommandReply(0x14, 0x00, parts_.baseInfo));
    EXPECT_EQ(LoadLe32(&s.Command(0x17, U32(0)).bytes[4]), 5u);
    // Reading changes nothing on disk.
    EXPECT_EQ(ReadFile(path_), parts_.Bytes());

    Bytes base(30, 0x22);
    base[23] = 20;
    base[24] = 26;
    base[25] = 6;
    base[26] = 1;
    base[27] = 12;
    base[28] = 0;
    base[29] = 0;
    ASSERT_EQ(s.Command(0x11, base).result, 1u);
    parts_.baseInfo = base;
    EXPECT_EQ(ReadFile(path_), parts_.Bytes());

    Bytes presets = {4};
    const Bytes pair = TestRecords(40, 2);
    presets.insert(presets.end(), pair.begin(), pair.end());
    ASSERT_EQ(s.Command(0x12, presets).result, 1u);
    std::copy(pair.begin(), pair.end(), parts_.presets.begin() + 96);
    EXPECT_EQ(ReadFile(path_), parts_.Bytes());

    ASSERT_EQ(s.Command(0x18, {0}).result, 1u);
    parts_.clockCount = 0;
    parts_.clocks.clear();
    parts_.recordCount = 0;
    parts_.records.clear();
    EXPECT_EQ(ReadFile(path_), parts_.Bytes());
    // Nothing but the image is left in its folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()),
                            std::filesystem::directory_iterator()),
              1);
    s.Close();

    ASSERT_EQ(PipeUsbSim_Configure(path_.c_str()), 1u);
    CSimSession again;
    ASSERT_TRUE(again.Open());
    EXPECT_EQ(again.Command(0x14, {0}).bytes, CommandReply(0x14, 0x00, base));
    EXPECT_EQ(again.Command(0x15, {4}).bytes, CommandReply(0x15, 0x00, pair));
    EXPECT_EQ(LoadLe32(&again.Command(0x17, U32(0)).bytes[4]), 0u);
}

TEST_F(RecorderImageTest, DamagedImagesAreRefusedAndTheOldSetupStays) {
    ASSERT_EQ(PipeUsbSim_Configure("empty;empty"), 1u);
    const Bytes good = parts_.Bytes();
    std::vector<Bytes> damaged;
    damaged.push_back({});                                        // empty file
    damaged.push_back(Bytes(good.begin(), good.begin() + 2250));  // short of the fixed part
    damaged.push_back(Bytes(good.begin(), good.end() - 1));       // last record cut
    Bytes longer = good;
    longer.push_back(0);  // a byte after the records
    damaged.push_back(longer);
    Bytes magic = good;
    magic[7] = '2';
    damaged.push_back(magic);
    Bytes hugeCount = good;
    hugeCount[2251 + 4 + 48] = 0xFF;  // M's top byte: far more records than the file holds
    hugeCount[2251 + 4 + 48 + 3] = 0xFF;
    damaged.push_back(hugeCount);
    Bytes clockCount = good;
    clockCount[2251] = 3;  // C one too many: the records no longer line up
    damaged.push_back(clockCount);

    for (std::size_t i = 0; i < damaged.size(); ++i) {
        WriteFile(path_, damaged[i]);
        EXPECT_EQ(PipeUsbSim_Configure(path_.c_str()), 0u) << "case " << i;
        const std::string list = "empty;" + path_;
        EXPECT_EQ(PipeUsbSim_Configure(list.c_str()), 0u) << "case " << i;
    }
    EXPECT_EQ(PipeUsbSim_Configure(dir_.File("missing.img").c_str()), 0u);
    EXPECT_EQ(GetDeviceList(), 1u);
    EXPECT_EQ(GetDevCount(), 2u);
}

TEST_F(RecorderImageTest, AWriteThatCannotBeStoredIsRefusedAndChangesNothing) {
    ASSERT_EQ(PipeUsbSim_Configure(path_.c_str()), 1u);
    CSimSession s;
    ASSERT_TRUE(s.Open());
    std::filesystem::remove_all(dir_.Path());

    EXPECT_EQ(s.Command(0x11, Bytes(30, 0x33)).bytes, CommandReply(0x11, 0x87));
    EXPECT_EQ(s.Command(0x14, {0}).bytes, CommandReply(0x14, 0x00, parts_.baseInfo));
    EXPECT_EQ(s.Command(0x18, {0}).bytes, CommandReply(0x18, 0x87));
    EXPECT_EQ(LoadLe32(&s.Command(0x17, U32(0)).bytes[4]), 5u);
    EXPECT_EQ(s.Command(0x19, {0}).bytes, CommandReply(0x19, 0x87));
    EXPECT_EQ(s.Command(0x14, {0}).bytes, CommandReply(0x14, 0x00, parts_.baseInfo));
}

}  // namespace
}  // namespace pipeusb::test
