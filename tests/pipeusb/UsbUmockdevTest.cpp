// The usb back end through libusb against recorders emulated at the usbdevfs
// ioctls: enumeration by id, where each recorder sits, exchanges at high and
// full speed, and what each USB fault leaves behind.

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "pipeusb/include/pipeusb_diag.h"
#include "pipeusb/sim/DemoRecording.h"
#include "pipeusb/sim/VirtualRecorder.h"
#include "tests/pipeusb/PipeUsbTestSupport.h"
#include "tests/support/umockdev/RecorderTestbed.h"

namespace {

using korvex::test::CEmulatedRecorder;
using korvex::test::DemoRecorderSetup;
using korvex::test::EmulatedRecorderSetup;
using korvex::test::Testbed;
using korvex::test::UsbFault;
using pipeusb::test::BulkPacket;
using pipeusb::test::CommandPacket;
using pipeusb::test::CSimSession;
using pipeusb::test::Reply;
using pipeusb::test::U32;
using Bytes = std::vector<std::uint8_t>;

// Read once, on first use: set before any test runs. The second id is one
// that only PIPEUSB_USB_IDS makes a recorder.
const bool kUsbChosen = korvex::test::ChooseUsbBackend("1209:0001,1209:0002");

// What the virtual recorder itself answers to `packet` on a fresh demo
// recording: the bytes the exchange must bring back whole.
Bytes DirectAnswer(pipeusb::CVirtualRecorder::Channel channel, const Bytes& packet) {
    pipeusb::CVirtualRecorder model(pipeusb::DemoRecording());
    Bytes reply(pipeusb::kBulkReplySize);
    reply.resize(model.Answer(channel, packet.data(), packet.size(), 0, reply.data()));
    return reply;
}

const Bytes kReadBase = CommandPacket(0x14, {0});
const Bytes kBlock2 = BulkPacket(0x17, U32(2));

class UsbUmockdevTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(kUsbChosen);
        Testbed().UnplugAll();
    }
    void TearDown() override { Testbed().UnplugAll(); }

    // The index of the recorder at `location` in the list just read.
    static std::uint32_t IndexAt(const std::string& location) {
        EXPECT_EQ(GetDeviceList(), 1u);
        for (std::uint32_t i = 0; i < GetDevCount(); ++i) {
            PipeUsbDevInfo info{};
            if (PipeUsb_DescribeDev(i, &info) && info.location == location) return i;
        }
        ADD_FAILURE() << "no recorder at " << location;
        return 99;
    }
    static std::string LocationOf(const CEmulatedRecorder& r) {
        return "1-" + std::to_string(r.Port());
    }
};

TEST_F(UsbUmockdevTest, RecordersAreTheListedIdsWithTheirPlaceAndSerialNumber) {
    EmulatedRecorderSetup first = DemoRecorderSetup();
    first.serial = "KV-0001";
    EmulatedRecorderSetup second = DemoRecorderSetup();
    second.id = {0x1209, 0x0002};
    second.highSpeed = false;
    EmulatedRecorderSetup stranger = DemoRecorderSetup();
    stranger.id = {0x1209, 0x0003};
    const CEmulatedRecorder& a = Testbed().Plug(first);
    const CEmulatedRecorder& b = Testbed().Plug(second);
    Testbed().Plug(stranger);

    ASSERT_EQ(GetDeviceList(), 1u);
    ASSERT_EQ(GetDevCount(), 2u) << "1209:0003 is not a recorder";
    struct Expected {
        const CEmulatedRecorder* recorder;
        std::uint16_t product;
        const char* serial;
    };
    for (const Expected& e : {Expected{&a, 0x0001, "KV-0001"}, Expected{&b, 0x0002, ""}}) {
        PipeUsbDevInfo info{};
        ASSERT_EQ(PipeUsb_DescribeDev(IndexAt(LocationOf(*e.recorder)), &info), 1u);
        EXPECT_EQ(info.access, PIPEUSB_ACCESS_OK);
        EXPECT_EQ(info.bus, 1u);
        EXPECT_EQ(info.address, e.recorder->Address());
        EXPECT_EQ(info.vendor, 0x1209);
        EXPECT_EQ(info.product, e.product);
        EXPECT_STREQ(info.serial, e.serial);
        EXPECT_FALSE(e.recorder->Claimed()) << "the probe gives the recorder back";
    }
    PipeUsbDevInfo info{};
    EXPECT_EQ(PipeUsb_DescribeDev(2, &info), 0u);
    EXPECT_EQ(PipeUsb_DescribeDev(0, nullptr), 0u);
}

TEST_F(UsbUmockdevTest, RepliesArriveWholeAtHighAndFullSpeed) {
    for (const bool highSpeed : {true, false}) {
        EmulatedRecorderSetup setup = DemoRecorderSetup();
        setup.highSpeed = highSpeed;
        CEmulatedRecorder& r = Testbed().Plug(setup);
        {
            CSimSession s(IndexAt(LocationOf(r)));
            ASSERT_TRUE(s.Open()) << highSpeed;
            EXPECT_TRUE(r.Claimed());
            const Reply command = s.Command(kReadBase);
            EXPECT_EQ(command.result, 1u);
            EXPECT_EQ(command.received, 64u);
            EXPECT_EQ(command.bytes,
                      DirectAnswer(pipeusb::CVirtualRecorder::Channel::Command, kReadBase));
            const Reply block = s.Bulk(kBlock2);
            EXPECT_EQ(block.result, 1u);
            EXPECT_EQ(block.received, 9605u);
            EXPECT_EQ(block.bytes, DirectAnswer(pipeusb::CVirtualRecorder::Channel::Bulk, kBlock2));
            EXPECT_EQ(r.Packets(0), 2u);
        }
        EXPECT_FALSE(r.Claimed()) << highSpeed;
        Testbed().Unplug(r);
    }
}

// One fault on the exchange of kReadBase or kBlock2, and what the exchange
// and the device show afterwards.
struct FaultCase {
    const char* name;
    UsbFault fault;
    bool bulk;
    std::uint32_t result;
    std::uint32_t received;
    std::vector<std::uint8_t> clearedHalts;
};

TEST_F(UsbUmockdevTest, EachUsbFaultFailsOnlyItsExchange) {
    const FaultCase cases[] = {
        {"no reply", UsbFault::kNoReply, false, 0, 0, {}},
        {"short reply", UsbFault::kShortReply, false, 0, 32, {}},
        {"short bulk reply", UsbFault::kShortReply, true, 0, 4802, {}},
        {"split reply", UsbFault::kSplitReply, true, 1, 9605, {}},
        {"stall out", UsbFault::kStallOut, false, 0, 0, {0x07}},
        {"stall in", UsbFault::kStallIn, true, 0, 0, {0x82}},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        CEmulatedRecorder& r = Testbed().Plug(DemoRecorderSetup());
        const std::uint8_t command = c.bulk ? 0x17 : 0x14;
        r.InjectFault(c.fault, command);
        {
            CSimSession s(IndexAt(LocationOf(r)));
            ASSERT_TRUE(s.Open());
            const Bytes& packet = c.bulk ? kBlock2 : kReadBase;
            const auto channel = c.bulk ? pipeusb::CVirtualRecorder::Channel::Bulk
                                        : pipeusb::CVirtualRecorder::Channel::Command;
            const std::uint32_t length = c.bulk ? 9605 : 64;
            const auto out = c.bulk ? s.BulkOut() : s.CommandOut();
            const auto in = c.bulk ? s.BulkIn() : s.CommandIn();
            const Reply failed = s.Exchange(in, length, out, packet, 300);
            EXPECT_EQ(failed.result, c.result);
            EXPECT_EQ(failed.received, c.received);
            if (c.result == 1) {
                EXPECT_EQ(failed.bytes, DirectAnswer(channel, packet));
            }
            EXPECT_EQ(r.ClearedHalts(), c.clearedHalts);
            // The next exchange passes: nothing of the last one is left over.
            const Reply next = s.Exchange(in, length, out, packet, 300);
            EXPECT_EQ(next.result, 1u);
            EXPECT_EQ(next.bytes, DirectAnswer(channel, packet));
        }
        EXPECT_FALSE(r.Claimed());
        Testbed().Unplug(r);
    }
}

// Collects the trace lines while it lives.
class CTraceLines {
  public:
    CTraceLines() {
        PipeUsb_SetTrace([](const char* line,
                            void* self) { static_cast<CTraceLines*>(self)->lines.push_back(line); },
                         this);
    }
    ~CTraceLines() { PipeUsb_SetTrace(nullptr, nullptr); }
    CTraceLines(const CTraceLines&) = delete;
    CTraceLines& operator=(const CTraceLines&) = delete;
    bool Has(const std::string& part) const {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.find(part) != std::string::npos; });
    }
    std::vector<std::string> lines;
};

// A reply that comes too late, or with more than the protocol's bytes, and
// where the link finds the rest: the failed (or whole) exchange, then the
// next request, which must get its own reply and no part of the old one.
struct StaleCase {
    const char* name;
    UsbFault fault;
    bool bulk;
    bool highSpeed;
    std::uint32_t delayMs;
    std::uint32_t waitAfterMs;  // before the next request
    std::uint32_t result;
    const char* drained;  // the trace's drain line, from "drained"
};

TEST_F(UsbUmockdevTest, LateAndLongRepliesNeverAnswerTheNextRequest) {
    constexpr std::uint32_t kTimeoutMs = 300;
    const StaleCase cases[] = {
        {"late, within the grace", UsbFault::kLateReply, true, true, kTimeoutMs + 400, 0, 0,
         "drained 9605 bytes after a time-out, then quiet for 1500 ms: 9e 17 00 00"},
        {"late, after the grace", UsbFault::kLateReply, true, true, kTimeoutMs + 2200, 900, 0,
         "drained 9605 bytes that came with no request out, then quiet for 1500 ms: 9e 17"},
        {"long, high speed", UsbFault::kLongReply, false, true, 0, 0, 0,
         "drained 64 bytes after an overflow, then quiet for 1500 ms: 7e 14 00 1e"},
        {"long, full speed", UsbFault::kLongReply, false, false, 0, 0, 1,
         "drained 512 bytes that came with no request out, then quiet for 1500 ms: 7e 14"},
    };
    const Bytes kReadPresets = CommandPacket(0x15, {0});
    const Bytes kBlock3 = BulkPacket(0x17, U32(3));
    for (const StaleCase& c : cases) {
        SCOPED_TRACE(c.name);
        EmulatedRecorderSetup setup = DemoRecorderSetup();
        setup.highSpeed = c.highSpeed;
        CEmulatedRecorder& r = Testbed().Plug(setup);
        r.InjectFault(c.fault, c.bulk ? 0x17 : 0x14, 0, 1, false, c.delayMs);
        {
            CTraceLines trace;
            CSimSession s(IndexAt(LocationOf(r)));
            ASSERT_TRUE(s.Open());
            const auto in = c.bulk ? s.BulkIn() : s.CommandIn();
            const auto out = c.bulk ? s.BulkOut() : s.CommandOut();
            const Bytes& first = c.bulk ? kBlock2 : kReadBase;
            const Bytes& next = c.bulk ? kBlock3 : kReadPresets;
            const auto channel = c.bulk ? pipeusb::CVirtualRecorder::Channel::Bulk
                                        : pipeusb::CVirtualRecorder::Channel::Command;
            const std::uint32_t length = c.bulk ? 9605 : 64;
            const Reply faulty = s.Exchange(in, length, out, first, kTimeoutMs);
            EXPECT_EQ(faulty.result, c.result);
            if (c.result == 1) {
                EXPECT_EQ(faulty.bytes, DirectAnswer(channel, first)) << "the reply's own part";
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(c.waitAfterMs));
            const Reply own = s.Exchange(in, length, out, next, kTimeoutMs);
            EXPECT_EQ(own.result, 1u);
            EXPECT_EQ(own.bytes, DirectAnswer(channel, next)) << "its own reply, whole";
            EXPECT_TRUE(trace.Has(c.drained)) << testing::PrintToString(trace.lines);
        }
        Testbed().Unplug(r);
    }
}

// What a caller that found a reply to another request asks for: the rest
// is thrown away, and the next exchange starts in step.
TEST_F(UsbUmockdevTest, DrainOnTheCallersWordTakesWhatWaits) {
    EmulatedRecorderSetup setup = DemoRecorderSetup();
    setup.highSpeed = false;
    CEmulatedRecorder& r = Testbed().Plug(setup);
    r.InjectFault(UsbFault::kLongReply, 0x14);
    CTraceLines trace;
    CSimSession s(IndexAt(LocationOf(r)));
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(s.Command(kReadBase).result, 1u);
    EXPECT_EQ(PipeUsb_DrainPipe(s.CommandIn()), 512u);
    EXPECT_TRUE(
        trace.Has("IN PIPE06 drained 512 bytes after a reply to another request, then "
                  "quiet for 1500 ms: 7e 14 00 1e"));
    EXPECT_EQ(PipeUsb_DrainPipe(s.CommandOut()), 0u) << "an OUT pipe has nothing to drain";
    EXPECT_EQ(PipeUsb_DrainPipe(0), 0u);
    const Reply next = s.Command(kReadBase);
    EXPECT_EQ(next.bytes, DirectAnswer(pipeusb::CVirtualRecorder::Channel::Command, kReadBase));
    EXPECT_FALSE(trace.Has("no request out")) << "nothing was left";
}

TEST_F(UsbUmockdevTest, RemovalWhileTheReadWaitsEndsItAtOnce) {
    CEmulatedRecorder& r = Testbed().Plug(DemoRecorderSetup());
    r.InjectFault(UsbFault::kUnplugWhileReading, 0x17, 0, 1, false, 200);
    const std::uint32_t index = IndexAt(LocationOf(r));
    {
        CSimSession s(index);
        ASSERT_TRUE(s.Open());
        std::uint32_t dev = OpenDev(index);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(s.Exchange(s.BulkIn(), 9605, s.BulkOut(), kBlock2, 3000).result, 0u);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500))
            << "neither the time-out nor a drain is waited for";
        EXPECT_EQ(PipeUsb_DevAttached(dev), 0u);
        CloseDev(&dev);
    }
    Testbed().Unplug(r);
    // Plugged in again, it answers the next command.
    CEmulatedRecorder& again = Testbed().Plug(DemoRecorderSetup());
    CSimSession s(IndexAt(LocationOf(again)));
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(s.Bulk(kBlock2).bytes,
              DirectAnswer(pipeusb::CVirtualRecorder::Channel::Bulk, kBlock2));
}

TEST_F(UsbUmockdevTest, KernelDriverIsDetachedForTheClaimAndGivenBack) {
    EmulatedRecorderSetup setup = DemoRecorderSetup();
    setup.kernelDriver = "usbserial_generic";
    CEmulatedRecorder& r = Testbed().Plug(setup);
    const std::uint32_t index = IndexAt(LocationOf(r));
    for (std::uint32_t session = 1; session <= 2; ++session) {
        SCOPED_TRACE(session);
        {
            CSimSession s(index);
            ASSERT_TRUE(s.Open());
            EXPECT_FALSE(r.DriverBound());
            EXPECT_EQ(s.Command(kReadBase).bytes,
                      DirectAnswer(pipeusb::CVirtualRecorder::Channel::Command, kReadBase));
        }
        EXPECT_TRUE(r.DriverBound()) << "given back at the close";
    }
    // The list's probe of whether it can be opened detaches it too; the two
    // sessions once each.
    EXPECT_GE(r.DriverDetaches(), 2u);
    EXPECT_FALSE(r.Claimed());
}

TEST_F(UsbUmockdevTest, ReplyLongerThanTheReadOverflows) {
    CEmulatedRecorder& r = Testbed().Plug(DemoRecorderSetup());
    CSimSession s(IndexAt(LocationOf(r)));
    ASSERT_TRUE(s.Open());
    const Reply r10 = s.Exchange(s.CommandIn(), 10, s.CommandOut(), kReadBase, 300);
    EXPECT_EQ(r10.result, 0u);
    EXPECT_EQ(r10.received, 10u);
    const Bytes whole = DirectAnswer(pipeusb::CVirtualRecorder::Channel::Command, kReadBase);
    EXPECT_EQ(r10.bytes, Bytes(whole.begin(), whole.begin() + 10));
}

TEST_F(UsbUmockdevTest, RemovedRecorderFailsFastAndSaysSo) {
    CEmulatedRecorder& r = Testbed().Plug(DemoRecorderSetup());
    r.InjectFault(UsbFault::kUnplug, 0x17, 1);
    const std::uint32_t index = IndexAt(LocationOf(r));
    CSimSession s(index);
    ASSERT_TRUE(s.Open());
    std::uint32_t dev = OpenDev(index);
    EXPECT_EQ(PipeUsb_DevAttached(dev), 1u);
    EXPECT_EQ(s.Bulk(kBlock2).result, 1u);
    const Reply gone = s.Bulk(kBlock2);
    EXPECT_EQ(gone.result, 0u);
    EXPECT_EQ(gone.sent, 0u);
    EXPECT_EQ(PipeUsb_DevAttached(dev), 0u);
    PipeUsbDevInfo info{};
    ASSERT_EQ(PipeUsb_DescribeDev(index, &info), 1u);
    EXPECT_EQ(info.access, PIPEUSB_ACCESS_GONE);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(s.Command(kReadBase).result, 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2))
        << "no time-out is waited for";
    CloseDev(&dev);
    EXPECT_EQ(PipeUsb_DevAttached(dev), 0u);
    s.Close();
    Testbed().Unplug(r);
    EXPECT_EQ(GetDeviceList(), 1u);
    EXPECT_EQ(GetDevCount(), 0u);
}

TEST_F(UsbUmockdevTest, DeniedAndBusyRecordersAreListedWithTheReason) {
    EmulatedRecorderSetup denied = DemoRecorderSetup();
    denied.accessDenied = true;
    const CEmulatedRecorder& d = Testbed().Plug(denied);
    CEmulatedRecorder& b = Testbed().Plug(DemoRecorderSetup());
    b.SetBusy(true);
    struct Case {
        const CEmulatedRecorder* recorder;
        std::uint32_t access;
    };
    for (const Case c : {Case{&d, PIPEUSB_ACCESS_DENIED}, Case{&b, PIPEUSB_ACCESS_BUSY}}) {
        const std::uint32_t index = IndexAt(LocationOf(*c.recorder));
        EXPECT_EQ(OpenDev(index), 0u);
        PipeUsbDevInfo info{};
        ASSERT_EQ(PipeUsb_DescribeDev(index, &info), 1u);
        EXPECT_EQ(info.access, c.access);
        EXPECT_EQ(info.bus, 1u);
        EXPECT_EQ(info.address, c.recorder->Address());
        EXPECT_FALSE(c.recorder->Claimed());
    }
    b.SetBusy(false);
    CSimSession s(IndexAt(LocationOf(b)));
    EXPECT_TRUE(s.Open()) << "free again";
}

// Run by DeniedToAUserWithoutRightsAndOpenForOneWithThem in a child as
// `nobody`, on its parent's bed; skipped in any other run.
TEST(UsbUmockdevAsNobody, RecorderIsListedAsDenied) {
    if (std::getenv(korvex::test::kBedOfParent) == nullptr) GTEST_SKIP() << "only in the child";
    ASSERT_NE(getuid(), 0u);
    ASSERT_EQ(GetDeviceList(), 1u);
    ASSERT_EQ(GetDevCount(), 1u);
    PipeUsbDevInfo info{};
    ASSERT_EQ(PipeUsb_DescribeDev(0, &info), 1u);
    EXPECT_EQ(info.access, PIPEUSB_ACCESS_DENIED);
    EXPECT_EQ(OpenDev(0), 0u);
}

TEST_F(UsbUmockdevTest, DeniedToAUserWithoutRightsAndOpenForOneWithThem) {
    const passwd* nobody = getpwnam("nobody");
    if (getuid() != 0 || nobody == nullptr)
        GTEST_SKIP() << "needs root and a user 'nobody' to run a child without rights";
    CEmulatedRecorder& r = Testbed().Plug(DemoRecorderSetup());
    // The child must reach the bed's sysfs, make its udev monitor socket
    // there and reach the ioctl sockets; the device nodes stay root's 0644.
    const char* bed = std::getenv("UMOCKDEV_DIR");
    ASSERT_NE(bed, nullptr);
    ASSERT_EQ(chmod(bed, 01777), 0);
    for (const std::string& socket : {std::string("/ioctl/_default"), "/ioctl" + r.DevNode()})
        ASSERT_EQ(chmod((bed + socket).c_str(), 0777), 0) << socket;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Exit code 77: the machine does not let this process change user.
        if (setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 ||
            setuid(nobody->pw_uid) != 0)
            _exit(77);
        setenv(korvex::test::kBedOfParent, "1", 1);
        char self[] = "/proc/self/exe";
        char filter[] = "--gtest_filter=UsbUmockdevAsNobody.RecorderIsListedAsDenied";
        char* args[] = {self, filter, nullptr};
        execv(self, args);
        _exit(78);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "this machine does not let root become nobody";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child found the recorder not denied";
    // The same recorder answers a user with rights at once.
    CSimSession s(IndexAt(LocationOf(r)));
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(s.Command(kReadBase).result, 1u);
}

TEST_F(UsbUmockdevTest, TraceShowsEachTransfer) {
    CEmulatedRecorder& r = Testbed().Plug(DemoRecorderSetup());
    r.InjectFault(UsbFault::kNoReply, 0x14, 1);
    std::vector<std::string> lines;
    PipeUsb_SetTrace(
        [](const char* line, void* context) {
            static_cast<std::vector<std::string>*>(context)->push_back(line);
        },
        &lines);
    {
        CSimSession s(IndexAt(LocationOf(r)));
        ASSERT_TRUE(s.Open());
        s.Command(kReadBase);
        s.Exchange(s.CommandIn(), 64, s.CommandOut(), kReadBase, 50);
    }
    PipeUsb_SetTrace(nullptr, nullptr);
    const std::uint32_t index = IndexAt(LocationOf(r));
    const std::string out =
        "recorder " + std::to_string(index) +
        " OUT PIPE07 64/64: 7e 14 01 00 00 6b 00 00 00 00 00 00 00 00 00 00 ...";
    const std::string in = "recorder " + std::to_string(index) + " IN PIPE06 ";
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], out);
    EXPECT_EQ(lines[1].rfind(in + "64/64: 7e 14 00 1e ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], out);
    EXPECT_EQ(lines[3], in + "0/64 timed out");
    EXPECT_EQ(lines[4], in + "drained 0 bytes after a time-out, then quiet for 1500 ms");
}

// Run once more by CTest with PIPEUSB_TRACE=1, as a user asks for a trace of
// the program without a command line option.
TEST_F(UsbUmockdevTest, TraceFromTheEnvironmentGoesToStderr) {
    const char* env = std::getenv("PIPEUSB_TRACE");
    if (env == nullptr || std::string(env) != "1") GTEST_SKIP() << "needs PIPEUSB_TRACE=1";
    CEmulatedRecorder& r = Testbed().Plug(DemoRecorderSetup());
    const std::uint32_t index = IndexAt(LocationOf(r));
    testing::internal::CaptureStderr();
    {
        CSimSession s(index);
        ASSERT_TRUE(s.Open());
        EXPECT_EQ(s.Command(kReadBase).result, 1u);
    }
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string recorder = "pipeusb: recorder " + std::to_string(index);
    EXPECT_EQ(err.rfind(recorder + " OUT PIPE07 64/64: 7e 14 01 00 00 6b ", 0), 0u) << err;
    EXPECT_NE(err.find("\n" + recorder + " IN PIPE06 64/64: 7e 14 00 1e "), std::string::npos)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
}

}  // namespace
