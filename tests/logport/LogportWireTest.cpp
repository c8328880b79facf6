// Logport against a recording stand-in for the USB access library: which
// operations it calls in what order, which pipe handles, lengths and time-outs
// each kind of exchange uses, the packets byte for byte and which reply bytes
// land where.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "logport/include/logport.h"
#include "tests/logport/FakePipeUsb.h"

namespace logport::test {
namespace {

constexpr std::uint32_t kType = 21;

// Handles the stand-in gives the eight pipes, in opening order.
constexpr std::uint32_t kCommandIn = 0x202;   // "PIPE06"
constexpr std::uint32_t kCommandOut = 0x203;  // "PIPE07"
constexpr std::uint32_t kBulkIn = 0x204;      // "PIPE02"
constexpr std::uint32_t kBulkOut = 0x205;     // "PIPE03"

struct FrameArrayDeleter {
    void operator()(_VCI_CAN_OBJ* p) const { delete[] p; }
};
using FrameArray = std::unique_ptr<_VCI_CAN_OBJ, FrameArrayDeleter>;

std::vector<std::uint8_t> ShortPacket(std::uint8_t start, std::uint8_t code,
                                      const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> p(64, 0);
    p[0] = start;
    p[1] = code;
    p[2] = static_cast<std::uint8_t>(payload.size());
    std::copy(payload.begin(), payload.end(), p.begin() + 4);
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < 4 + payload.size(); ++i) sum ^= p[i];
    p[4 + payload.size()] = sum;
    return p;
}

class LogportWire : public ::testing::Test {
  protected:
    void SetUp() override {
        Usb().Reset();
        ASSERT_EQ(LGP_SetReference(kType, 0, 0, LGP_REF_CLEAR, nullptr), 1u);
        Usb().Reset();
    }

    static void Open() {
        ASSERT_EQ(LGP_OpenDevice(kType, 0, 0), 1u);
        Usb().calls.clear();
        Usb().transfers.clear();
    }

    static void ExpectTransfer(std::size_t i, std::uint32_t readPipe, std::uint32_t readLength,
                               std::uint32_t readTimeoutMs, std::uint32_t writePipe,
                               std::size_t writeLength) {
        ASSERT_LT(i, Usb().transfers.size());
        const FakeTransfer& t = Usb().transfers[i];
        EXPECT_EQ(t.readPipe, readPipe) << i;
        EXPECT_EQ(t.readLength, readLength) << i;
        EXPECT_EQ(t.readTimeoutMs, readTimeoutMs) << i;
        EXPECT_EQ(t.writePipe, writePipe) << i;
        EXPECT_EQ(t.packet.size(), writeLength) << i;
        EXPECT_EQ(t.writeTimeoutMs, 4000u) << i;
    }
};

TEST_F(LogportWire, OpenAsksForTheListAndTheCountBeforeOpeningAnything) {
    for (const std::uint32_t listResult : {0u, 2u}) {
        Usb().Reset();
        Usb().listResult = listResult;
        EXPECT_EQ(LGP_OpenDevice(kType, 0, 0), 0u) << listResult;
        EXPECT_EQ(Usb().calls, std::vector<std::string>{"GetDeviceList"}) << listResult;
    }

    Usb().Reset();
    Usb().devCount = 0;
    EXPECT_EQ(LGP_OpenDevice(kType, 0, 0), 0u);
    EXPECT_EQ(Usb().calls, (std::vector<std::string>{"GetDeviceList", "GetDevCount"}));

    for (const auto [type, index] : {std::array<std::uint32_t, 2>{22, 0}, {19, 0}, {kType, 2}}) {
        Usb().Reset();
        Usb().devCount = 2;
        EXPECT_EQ(LGP_OpenDevice(type, index, 0), 0u) << type << " " << index;
        EXPECT_TRUE(std::none_of(Usb().calls.begin(), Usb().calls.end(),
                                 [](const std::string& c) { return c.starts_with("Open"); }));
    }

    Usb().Reset();
    Usb().devCount = 2;
    EXPECT_EQ(LGP_OpenDevice(20, 1, 0xDEAD), 1u);
    EXPECT_EQ(Usb().calls, (std::vector<std::string>{
                               "GetDeviceList", "GetDevCount", "GetDevCount", "OpenDev 1",
                               "OpenPipe 1 PIPE00", "OpenPipe 1 PIPE01", "OpenPipe 1 PIPE06",
                               "OpenPipe 1 PIPE07", "OpenPipe 1 PIPE02", "OpenPipe 1 PIPE03",
                               "OpenPipe 1 PIPE08", "OpenPipe 1 PIPE09"}));
}

TEST_F(LogportWire, OpenFailsOnAnyZeroHandleYetOpensAllAndClosesNothing) {
    Usb().failingPipes = {"PIPE08"};
    EXPECT_EQ(LGP_OpenDevice(kType, 0, 0), 0u);
    EXPECT_EQ(Usb().calls.back(), "OpenPipe 0 PIPE09");
    EXPECT_TRUE(std::none_of(Usb().calls.begin(), Usb().calls.end(),
                             [](const std::string& c) { return c.starts_with("Close"); }));

    Usb().Reset();
    Usb().deviceHandle = 0;
    EXPECT_EQ(LGP_OpenDevice(kType, 0, 0), 0u);
    EXPECT_EQ(std::count_if(Usb().calls.begin(), Usb().calls.end(),
                            [](const std::string& c) { return c.starts_with("OpenPipe"); }),
              8);
    // The handles that did open stay in use.
    EXPECT_EQ(LGP_ClearFrame(kType, 0), 1u);
}

TEST_F(LogportWire, CloseClosesPipesInTableOrderThenTheDeviceAndForgetsThem) {
    Open();
    EXPECT_EQ(LGP_CloseDevice(kType, 0), 1u);
    EXPECT_EQ(Usb().calls,
              (std::vector<std::string>{"GetDevCount", "ClosePipe 0x200", "ClosePipe 0x201",
                                        "ClosePipe 0x202", "ClosePipe 0x203", "ClosePipe 0x204",
                                        "ClosePipe 0x205", "ClosePipe 0x206", "ClosePipe 0x207",
                                        "CloseDev 0x100"}));
    // Closed means no handles, even with a library that leaves them as they were.
    EXPECT_EQ(LGP_ClearFrame(kType, 0), 0u);
    ASSERT_EQ(Usb().transfers.size(), 1u);
    EXPECT_EQ(Usb().transfers[0].readPipe, 0u);
    EXPECT_EQ(Usb().transfers[0].writePipe, 0u);

    Open();
    Usb().devCount = 0;
    EXPECT_EQ(LGP_CloseDevice(kType, 0), 0u);
    EXPECT_EQ(LGP_CloseDevice(22, 0), 0u);
    EXPECT_TRUE(std::none_of(Usb().calls.begin(), Usb().calls.end(),
                             [](const std::string& c) { return c.starts_with("Close"); }));
    EXPECT_EQ(LGP_ClearFrame(kType, 0), 1u) << "a refused close leaves the device open";
}

TEST_F(LogportWire, CommandExchangesUseTheCommandPipesAndFourSeconds) {
    Open();
    ASSERT_EQ(LGP_ClearFrame(kType, 0), 1u);
    ASSERT_EQ(LGP_SetDefaultCfg(kType, 0), 1u);
    BaseInfo info{};
    ASSERT_EQ(LGP_GetBaseInfo(kType, 0, &info), 1u);
    ASSERT_EQ(Usb().transfers.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) ExpectTransfer(i, kCommandIn, 64, 4000, kCommandOut, 64);
    std::vector<std::uint8_t> clear(64, 0);
    const std::uint8_t head[] = {0x7E, 0x18, 0x01, 0x00, 0x00, 0x67};
    std::copy(std::begin(head), std::end(head), clear.begin());
    EXPECT_EQ(Usb().transfers[0].packet, clear);
    EXPECT_EQ(Usb().transfers[1].packet, ShortPacket(0x7E, 0x19, {0}));
    EXPECT_EQ(Usb().transfers[2].packet, ShortPacket(0x7E, 0x14, {0}));
}

TEST_F(LogportWire, FilterWriteSendsTheHeaderThenTheLongPacket) {
    Open();
    for (std::uint32_t id : {0x456u, 0x123u}) {
        const FilterRange r{0, id, id};
        ASSERT_EQ(LGP_SetReference(kType, 0, 0, LGP_REF_ADD, &r), 1u);
    }
    ASSERT_EQ(LGP_SetFilterInfo(kType, 0), 1u);
    ASSERT_EQ(Usb().transfers.size(), 2u);

    ExpectTransfer(0, kCommandIn, 64, 4000, kCommandOut, 64);
    EXPECT_EQ(Usb().transfers[0].packet,
              ShortPacket(0x7E, 0x13, {0x00, 0, 0, 0, 0, 4, 0, 0, 0, 4, 0,
                                       0,    0, 4, 0, 0, 0, 4, 0, 0, 0, 0x01}));

    // The table's command reply is given two seconds.
    ExpectTransfer(1, kCommandIn, 64, 2000, kCommandOut, 2058);
    const std::vector<std::uint8_t>& p = Usb().transfers[1].packet;
    ASSERT_EQ(p.size(), 2058u);
    const std::uint8_t start[] = {0x9E, 0x13, 0x00, 0xFF, 0xFF, 0x56, 0x04, 0x23, 0x01};
    EXPECT_TRUE(std::equal(std::begin(start), std::end(start), p.begin()));
    EXPECT_TRUE(
        std::all_of(p.begin() + 9, p.begin() + 2053, [](std::uint8_t b) { return b == 0; }));
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < 2053; ++i) sum ^= p[i];
    EXPECT_EQ(p[2053], sum);
    EXPECT_EQ(p[2054], 0x02);
    EXPECT_EQ(p[2055], 0x08);
    EXPECT_EQ(p[2056], 0x00);
    EXPECT_EQ(p[2057], 0x00);

    // Bit 7 of the table reply's status refuses the write.
    Usb().answer = [](const FakeTransfer& t, std::uint8_t* reply) {
        reply[0] = 0x7E;
        reply[1] = t.packet[1];
        reply[2] = t.packet.size() == 2058 ? 0x80 : 0x00;
    };
    EXPECT_EQ(LGP_SetFilterInfo(kType, 0), 0u);
}

TEST_F(LogportWire, FilterReadPlacesHeaderBytes8To23AndTheBulkTable) {
    Open();
    Usb().answer = [](const FakeTransfer& t, std::uint8_t* reply) {
        for (std::uint32_t i = 0; i < t.readLength; ++i)
            reply[i] = static_cast<std::uint8_t>(t.readLength == 64 ? i : i * 7 + 3);
        reply[0] = t.readLength == 64 ? 0x7E : 0x9E;
        reply[1] = t.packet[1];
        reply[2] = 0x00;
    };
    FilterInfo info;
    std::memset(&info, 0xCC, sizeof info);
    ASSERT_EQ(LGP_GetFilterInfo(kType, 0, &info), 1u);

    ASSERT_EQ(Usb().transfers.size(), 2u);
    ExpectTransfer(0, kCommandIn, 64, 4000, kCommandOut, 64);
    EXPECT_EQ(Usb().transfers[0].packet, ShortPacket(0x7E, 0x16, {0}));
    ExpectTransfer(1, kBulkIn, 9605, 2000, kBulkOut, 64);
    EXPECT_EQ(Usb().transfers[1].packet, ShortPacket(0x9E, 0x16, {1}));

    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&info);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(bytes[i], 0xCC) << i;
    for (std::size_t i = 9; i < 25; ++i) EXPECT_EQ(bytes[i], i - 1) << i;
    for (std::size_t i = 0; i < 2048; ++i)
        ASSERT_EQ(info.bTable[i], static_cast<std::uint8_t>((i + 4) * 7 + 3)) << i;
}

TEST_F(LogportWire, UploadAsksForTheCountThenNumberedBlocksOnTheBulkPipes) {
    Open();
    Usb().answer = [](const FakeTransfer& t, std::uint8_t* reply) {
        reply[0] = t.readLength == 64 ? 0x7E : 0x9E;
        reply[1] = t.packet[1];
        if (t.readLength == 64) {
            reply[4] = 0x91;  // 401 records
            reply[5] = 0x01;
        }
    };
    std::uint32_t count = 0;
    FrameArray frames(LGP_LoadFrame(kType, 0, &count));
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(count, 401u);
    ASSERT_EQ(Usb().transfers.size(), 3u);
    ExpectTransfer(0, kCommandIn, 64, 4000, kCommandOut, 64);
    EXPECT_EQ(Usb().transfers[0].packet, ShortPacket(0x7E, 0x17, {0, 0, 0, 0}));
    for (std::uint8_t n = 1; n <= 2; ++n) {
        ExpectTransfer(n, kBulkIn, 9605, 2000, kBulkOut, 64);
        EXPECT_EQ(Usb().transfers[n].packet, ShortPacket(0x9E, 0x17, {n, 0, 0, 0}));
    }

    Usb().transfers.clear();
    std::uint8_t clocks = 0;
    FrameArray list(LGP_GetOrigTimeList(kType, 0, &clocks));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(Usb().transfers.size(), 1u);
    ExpectTransfer(0, kBulkIn, 9605, 2000, kBulkOut, 64);
    EXPECT_EQ(Usb().transfers[0].packet, ShortPacket(0x9E, 0x1A, {0}));
}

// A whole reply that echoes another command or start byte belongs to an
// earlier request: its pipe is drained before the next try, and a status
// refusal, which is the request's own reply, is not drained.
TEST_F(LogportWire, AReplyToAnotherRequestIsDrainedBeforeTheNextTry) {
    Open();
    int wrong = 2;
    Usb().answer = [&wrong](const FakeTransfer& t, std::uint8_t* reply) {
        reply[0] = t.readLength == 64 ? 0x7E : 0x9E;
        reply[1] = wrong-- > 0 ? 0x15 : t.packet[1];
        if (t.readLength == 64) reply[4] = 0x01;  // one record
    };
    std::uint32_t count = 0;
    FrameArray frames(LGP_LoadFrame(kType, 0, &count));
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(count, 1u);
    const auto drains = [] {
        return std::count(Usb().calls.begin(), Usb().calls.end(), "PipeUsb_DrainPipe 0x202");
    };
    static_assert(kCommandIn == 0x202);
    EXPECT_EQ(drains(), 2) << "the count's first two tries";
    EXPECT_EQ(Usb().transfers.size(), 4u);

    Usb().calls.clear();
    Usb().answer = [](const FakeTransfer& t, std::uint8_t* reply) {
        reply[0] = 0x7E;
        reply[1] = t.packet[1];
        reply[2] = 0x85;
    };
    BaseInfo info{};
    EXPECT_EQ(LGP_GetBaseInfo(kType, 0, &info), 0u);
    EXPECT_EQ(drains(), 0);
}

TEST_F(LogportWire, PresetPairsTravelAsFortyNineBytePayloads) {
    Open();
    std::array<_VCI_CAN_OBJ, 6> frames{};
    for (std::uint32_t i = 0; i < 6; ++i) frames[i].ID = i;
    _VCI_CAN_OBJ& f = frames[0];
    f.ID = 0x12345678;
    f.TimeStamp = 0x01020304;
    f.SendType = 0xFF;
    f.ExternFlag = 1;
    f.DataLen = 3;
    for (std::uint8_t k = 0; k < 8; ++k) f.Data[k] = static_cast<std::uint8_t>(k + 1);
    ASSERT_EQ(LGP_SetPreFrame(kType, 0, frames.data(), 6), 1u);

    ASSERT_EQ(Usb().transfers.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        ExpectTransfer(i, kCommandIn, 64, 4000, kCommandOut, 64);
        const std::vector<std::uint8_t>& p = Usb().transfers[i].packet;
        EXPECT_EQ(p[1], 0x12);
        EXPECT_EQ(p[2], 49);
        EXPECT_EQ(p[4], 2 * i);
        if (i > 0) {
            EXPECT_EQ(p[5 + 8], 2 * i) << "first record's identifier";
        }
        EXPECT_EQ(p[5 + 24 + 8], 2 * i + 1) << "second record's identifier";
    }
    std::array<std::uint8_t, 24> record = {0x0F, 0x00, 0xFF, 0x83, 0x04, 0x03, 0x02, 0x01,
                                           0x78, 0x56, 0x34, 0x12, 0x01, 0x02, 0x03, 0x00,
                                           0x05, 0x06, 0x07, 0x08, 0x00, 0x00, 0x00, 0x00};
    for (std::size_t i = 0; i < 15; ++i) record[15] ^= record[i];
    const std::vector<std::uint8_t>& first = Usb().transfers[0].packet;
    EXPECT_TRUE(std::equal(record.begin(), record.end(), first.begin() + 5));
}

}  // namespace
}  // namespace logport::test
