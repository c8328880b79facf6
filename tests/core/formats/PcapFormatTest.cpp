// pcap and pcapng captures of SocketCAN interfaces: tshark reads every frame
// we write; we read what text2pcap and editcap write (tests that need them
// are skipped where they are not installed), and the layouts those tools do
// not make here (big-endian sections, other time resolutions, swapped
// identifiers, foreign blocks and link types, damage) from captures built
// byte by byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "core/formats/ChannelChoice.h"
#include "core/formats/FormatDetect.h"
#include "core/formats/PcapFormat.h"
#include "tests/core/formats/FormatTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::formats::CFrameChannels;
using korvex::formats::CFrameClock;
using korvex::formats::DataFormat;
using korvex::formats::ReadStatus;
using Bytes = std::vector<std::uint8_t>;

std::string ToolOutput(const std::string& command) {
    std::string out;
    std::FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
    return out;
}

bool Have(const char* tool) {
    return access((std::string("/usr/bin/") + tool).c_str(), X_OK) == 0;
}

// What a read frame says, in one line: channel, time, identifier, flags, data.
std::string Describe(const _VCI_CAN_OBJ& f, const CFrameClock& clock, int channel) {
    std::ostringstream s;
    s << channel << ' ' << clock.AbsoluteTime(f) << ' ';
    if (f.Reserved[0] != 0) {
        s << "event " << int{f.Reserved[0]};
        return s.str();
    }
    s << std::hex << f.ID << std::dec << (f.ExternFlag ? " x" : "") << (f.RemoteFlag ? " r" : "")
      << (f.SendType == 0xFF ? " tx" : "") << " l" << int{f.DataLen};
    for (int i = 0; i < f.DataLen && !f.RemoteFlag; ++i) s << ' ' << int{f.Data[i]};
    return s.str();
}

std::vector<std::string> ReadCapture(const std::filesystem::path& path,
                                     korvex::formats::ReadResult* result = nullptr,
                                     korvex::formats::ReadOptions options = {}) {
    options.utc = true;
    korvex::formats::CRecording out;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    korvex::formats::ReadResult read = korvex::formats::ReadPcap(file, options, out, {});
    std::fclose(file);
    korvex::formats::LoadRequest request;
    request.read = options;
    if (read.status == ReadStatus::kOk) korvex::formats::ApplyChannelChoice(out, request, read);
    if (result) *result = read;
    const CFrameClock clock(out.origTimeList, true);
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < out.frames.size(); ++i)
        lines.push_back(
            Describe(out.frames[i], clock, out.channels.NumberOf(static_cast<long>(i))));
    return lines;
}

// A small pcapng writer of our own, in either byte order.
struct Capture {
    bool big = false;
    Bytes bytes;

    void U8(std::uint8_t v) { bytes.push_back(v); }
    void U16(std::uint16_t v) {
        for (int i = 0; i < 2; ++i) U8(static_cast<std::uint8_t>(v >> (big ? 8 - 8 * i : 8 * i)));
    }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) U8(static_cast<std::uint8_t>(v >> (big ? 24 - 8 * i : 8 * i)));
    }
    void Block(std::uint32_t type, const Bytes& body) {
        U32(type);
        U32(static_cast<std::uint32_t>(body.size() + 12));
        bytes.insert(bytes.end(), body.begin(), body.end());
        U32(static_cast<std::uint32_t>(body.size() + 12));
    }
    Capture Body() const { return Capture{big, {}}; }

    void Section() {
        Capture b = Body();
        b.U32(0x1A2B3C4D);
        b.U16(1);
        b.U16(0);
        b.U32(0xFFFFFFFF);
        b.U32(0xFFFFFFFF);
        Block(0x0A0D0D0A, b.bytes);
    }
    void Interface(std::uint16_t linkType, int tsresol) {
        Capture b = Body();
        b.U16(linkType);
        b.U16(0);
        b.U32(0);
        if (tsresol >= 0) {
            b.U16(9);
            b.U16(1);
            b.U32(static_cast<std::uint32_t>(tsresol) << (big ? 24 : 0));
        }
        b.U32(0);
        Block(1, b.bytes);
    }
    void Packet(std::uint32_t interface, std::uint64_t stamp, const Bytes& data,
                bool outbound = false) {
        Capture b = Body();
        b.U32(interface);
        b.U32(static_cast<std::uint32_t>(stamp >> 32));
        b.U32(static_cast<std::uint32_t>(stamp));
        b.U32(static_cast<std::uint32_t>(data.size()));
        b.U32(static_cast<std::uint32_t>(data.size()));
        b.bytes.insert(b.bytes.end(), data.begin(), data.end());
        b.bytes.resize((b.bytes.size() + 3) & ~std::size_t{3}, 0);
        if (outbound) {
            b.U16(2);
            b.U16(4);
            b.U32(2);
            b.U32(0);
        }
        Block(6, b.bytes);
    }
};

// A SocketCAN packet with its identifier word in network order (or, for
// the captures of older kernels, little-endian).
Bytes CanPacket(std::uint32_t word, const Bytes& data, bool swapped = false, int fdFlags = 0) {
    Bytes p(8 + std::max<std::size_t>(data.size(), 8), 0);
    for (int i = 0; i < 4; ++i)
        p[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(word >> (swapped ? 8 * i : 24 - 8 * i));
    p[4] = static_cast<std::uint8_t>(data.size());
    p[5] = static_cast<std::uint8_t>(fdFlags);
    std::copy(data.begin(), data.end(), p.begin() + 8);
    return p;
}

constexpr std::uint64_t kSecond = 1700000000;  // 2023-11-14 22:13:20 UTC

TEST(PcapFormat, TsharkReadsEveryFrameWeWriteAndWeReadItBack) {
    std::vector<_VCI_CAN_OBJ> frames(5);
    frames[0].ID = 0x123;
    frames[0].DataLen = 2;
    frames[0].Data[0] = 0xA0;
    frames[0].Data[1] = 0x0B;
    frames[1].ID = 0x1FFFFFFF;
    frames[1].ExternFlag = 1;
    frames[1].DataLen = 8;
    for (int i = 0; i < 8; ++i) frames[1].Data[i] = static_cast<std::uint8_t>(0x11 * i);
    frames[1].SendType = 0xFF;
    frames[2].ID = 0x7FF;
    frames[2].RemoteFlag = 1;
    frames[2].DataLen = 4;
    frames[3].Reserved[0] = 229;  // bus error
    frames[4].ID = 0;
    std::vector<OrigTimeEntry> clocks = {
        korvex::formats::MakeClockEntry(kSecond, true, 0, korvex::formats::kUnknownBitRate)};
    for (std::size_t i = 0; i < frames.size(); ++i) {
        frames[i].TimeStamp = static_cast<std::uint32_t>(1234 + 10000 * i);
        frames[i].TimeFlag = 1;
    }
    CFrameChannels channels;
    for (std::uint16_t c : {2, 1, 2, 1, 2}) channels.AddNumbered(c);
    CCycleBuffer<_VCI_CAN_OBJ> store;
    korvex::test::FillStore(store, frames);
    const korvex::formats::WriteSource source{clocks, store, {}, {}, &channels};
    korvex::test::TempFolder dir;
    korvex::formats::WriteOptions options;
    options.iface = "vcan0";
    ASSERT_TRUE(korvex::formats::FormatInfo(DataFormat::kPcapng)
                    .write(dir / "out.pcapng", source, options));

    // Interfaces follow channel numbers: channel 1 is interface 0.
    const std::vector<std::string> written = ReadCapture(dir / "out.pcapng");
    EXPECT_EQ(written, (std::vector<std::string>{
                           "2 17000000001234 123 l2 160 11",
                           "1 17000000011234 1fffffff x tx l8 0 17 34 "
                           "51 68 85 102 119",
                           "2 17000000021234 7ff r l4",
                           "1 17000000031234 event 229",
                           "2 17000000041234 0 l0",
                       }));
    if (!Have("tshark")) GTEST_SKIP() << "tshark is not installed";
    // tshark shows a remote frame's length in zero data bytes and an error
    // frame's data as its error fields.
    const std::string fields =
        ToolOutput("tshark -r " + dir.File("out.pcapng") +
                   " -T fields -E separator=, -e frame.interface_name -e frame.time_epoch -e can.id"
                   " -e can.flags.xtd -e can.flags.rtr -e can.flags.err -e can.len -e data.data");
    EXPECT_EQ(fields,
              "vcan1,1700000000.123400000,291,0,0,0,2,a00b\n"
              "vcan0,1700000001.123400000,536870911,1,0,0,8,0011223344556677\n"
              "vcan1,1700000002.123400000,2047,0,1,0,4,00000000\n"
              "vcan0,1700000003.123400000,,,,1,8,\n"
              "vcan1,1700000004.123400000,0,0,0,0,0,\n");
    // What tshark writes of it again reads back the same.
    ToolOutput("tshark -r " + dir.File("out.pcapng") + " -w " + dir.File("again.pcapng"));
    ASSERT_TRUE(std::filesystem::exists(dir / "again.pcapng"));
    EXPECT_EQ(ReadCapture(dir / "again.pcapng"), written);
}

TEST(PcapFormat, ReadsWhatText2pcapAndEditcapWrite) {
    if (!Have("text2pcap") || !Have("editcap"))
        GTEST_SKIP() << "text2pcap or editcap is not installed";
    korvex::test::TempFolder dir;
    korvex::test::WriteText(dir / "dump.txt",
                            "1700000000.123456 0000  00 00 01 23 02 00 00 00 01 02 00 00 00 00 "
                            "00 00\n"
                            "1700000001.50004 0000  98 fe f1 00 08 00 00 00 aa bb cc dd ee ff "
                            "00 11\n"
                            "1700000002.0 0000  20 00 00 40 08 00 00 00 00 00 00 00 00 00 00 "
                            "00\n");
    const std::string in = dir.File("dump.txt");
    ToolOutput("text2pcap -q -t '%s.%f' -l 227 " + in + " " + dir.File("t.pcapng"));
    ToolOutput("text2pcap -q -t '%s.%f' -l 227 -F pcap " + in + " " + dir.File("t.pcap"));
    ToolOutput("editcap -F nsecpcap " + dir.File("t.pcap") + " " + dir.File("n.pcap"));
    const std::vector<std::string> expected = {
        "1 17000000001235 123 l2 1 2",
        "1 17000000015000 18fef100 x l8 170 187 204 221 238 255 0 17",
        "1 17000000020000 event 230",
    };
    for (const char* name : {"t.pcapng", "t.pcap", "n.pcap"}) {
        korvex::formats::ReadResult result;
        EXPECT_EQ(ReadCapture(dir / name, &result), expected) << name;
        EXPECT_EQ(result.status, ReadStatus::kOk) << name;
        EXPECT_EQ(korvex::formats::DetectFormat(dir / name),
                  std::string(name) == "t.pcapng" ? DataFormat::kPcapng : DataFormat::kPcap);
    }
}

TEST(PcapFormat, ReadsByteOrdersResolutionsInterfacesAndPassesOverTheRest) {
    korvex::test::TempFolder dir;
    for (const bool big : {false, true}) {
        Capture c{big, {}};
        c.Section();
        c.Interface(227, 9);                  // ns
        c.Interface(227, 0x80 | 10);          // 1/1024 s
        c.Interface(1, -1);                   // Ethernet: not frames
        c.Block(0x40000BAD, Bytes(8, 0xEE));  // a custom block
        c.Block(4, Bytes(4, 0));              // name resolution
        c.Packet(0, kSecond * 1000000000 + 123449999, CanPacket(0x123, {1}));
        c.Packet(1, (kSecond << 10) | 512, CanPacket(0x80000000 | 0x18FEF100, {}), true);
        c.Packet(2, 0, Bytes(60, 0));
        c.Packet(2, 0, Bytes(60, 0));
        // CAN FD: 8 bytes become a frame, 12 are counted.
        c.Packet(0, kSecond * 1000000000, CanPacket(0x10, Bytes(8, 7), false, 4));
        c.Packet(0, kSecond * 1000000000, CanPacket(0x11, Bytes(12, 7), false, 4));
        korvex::test::WriteText(dir / "h.pcapng", std::string(c.bytes.begin(), c.bytes.end()));
        korvex::formats::ReadResult result;
        std::vector<std::pair<long long, std::string>> bad;
        EXPECT_EQ(ReadCapture(dir / "h.pcapng", &result),
                  (std::vector<std::string>{"1 17000000001234 123 l1 1",
                                            "2 17000000005000 18fef100 x tx l0",
                                            "1 17000000000000 10 l8 7 7 7 7 7 7 7 7"}))
            << big;
        EXPECT_EQ(result.longFdFrames, 1);
        EXPECT_EQ(result.tally.shortFdFrames, 1);
        EXPECT_EQ(result.badLines, 2);  // both Ethernet packets, reported once

        // The channel asked for keeps its own frames and its long CAN FD count.
        korvex::formats::ReadOptions second;
        second.channel = 2;
        EXPECT_EQ(ReadCapture(dir / "h.pcapng", &result, second),
                  (std::vector<std::string>{"2 17000000005000 18fef100 x tx l0"}));
        EXPECT_EQ(result.longFdFrames, 0);
        EXPECT_EQ(result.tally.shortFdFrames, 0);
    }

    // Big-endian pcap of microseconds, identifiers in host order as older
    // kernels gave them.
    Capture p{true, {}};
    p.U32(0xA1B2C3D4);
    p.U16(2);
    p.U16(4);
    p.U32(0);
    p.U32(0);
    p.U32(0xFFFF);
    p.U32(227);
    for (const auto& [id, micros] :
         {std::pair{0x80000000u | 0x18DAF110u, 999950u}, std::pair{0x7E8u, 100u}}) {
        const Bytes packet = CanPacket(id, {0xFF}, true);
        p.U32(static_cast<std::uint32_t>(kSecond));
        p.U32(micros);
        p.U32(static_cast<std::uint32_t>(packet.size()));
        p.U32(static_cast<std::uint32_t>(packet.size()));
        p.bytes.insert(p.bytes.end(), packet.begin(), packet.end());
    }
    korvex::test::WriteText(dir / "b.pcap", std::string(p.bytes.begin(), p.bytes.end()));
    EXPECT_EQ(ReadCapture(dir / "b.pcap"),
              (std::vector<std::string>{"1 17000000010000 18daf110 x l1 255",
                                        "1 17000000000001 7e8 l1 255"}));
}

TEST(PcapFormat, DamageKeepsTheFramesBeforeItAndOtherLinkTypesAreRefused) {
    Capture c;
    c.Section();
    c.Interface(227, -1);
    for (int i = 0; i < 4; ++i) c.Packet(0, kSecond * 1000000 + i, CanPacket(0x100 + i, {1, 2}));
    korvex::test::TempFolder dir;
    const auto write = [&](const Bytes& bytes) {
        korvex::test::WriteText(dir / "d.pcapng", std::string(bytes.begin(), bytes.end()));
    };
    // Cut at every byte: never more frames than whole packets before the cut.
    const std::size_t head = 28 + 24;
    const std::size_t packetBlock = 48;
    for (std::size_t cut = 1; cut < c.bytes.size(); ++cut) {
        write(Bytes(c.bytes.begin(), c.bytes.begin() + static_cast<long>(cut)));
        korvex::formats::ReadResult result;
        const std::size_t read = ReadCapture(dir / "d.pcapng", &result).size();
        const std::size_t whole = cut < head ? 0 : (cut - head) / packetBlock;
        // A cut between blocks is a shorter capture, not damage.
        const bool between = cut == 28 || (cut >= head && (cut - head) % packetBlock == 0);
        EXPECT_EQ(read, whole) << cut;
        EXPECT_EQ(result.status, whole == 0 && !between ? ReadStatus::kDamagedAt : ReadStatus::kOk)
            << cut;
        EXPECT_EQ(result.damageOffset >= 0, !between) << cut;
    }
    // Two lengths of a block that differ: damage at that block; strict refuses.
    Bytes bad = c.bytes;
    bad[head + 2 * packetBlock + 4] ^= 0x10;
    write(bad);
    korvex::formats::ReadResult result;
    EXPECT_EQ(ReadCapture(dir / "d.pcapng", &result).size(), 2u);
    EXPECT_EQ(result.damageOffset, static_cast<long long>(head + 2 * packetBlock));
    // The frames kept are no silent loss: the note names the damage.
    const std::vector<std::string> notes = korvex::formats::ReadNoteTexts(result, "d.pcapng");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].rfind("d.pcapng: damaged at offset 148: ", 0), 0u) << notes[0];
    korvex::formats::ReadOptions strict;
    strict.strict = true;
    ReadCapture(dir / "d.pcapng", &result, strict);
    EXPECT_EQ(result.status, ReadStatus::kDamagedAt);

    Capture e;
    e.U32(0xA1B2C3D4);
    e.U16(2);
    e.U16(4);
    for (std::uint32_t v : {0u, 0u, 0xFFFFu, 1u}) e.U32(v);
    write(e.bytes);
    ReadCapture(dir / "d.pcapng", &result);
    EXPECT_EQ(result.status, ReadStatus::kNotCanCapture);
    EXPECT_EQ(korvex::formats::ReadResultText(result, "e.pcap"),
              "e.pcap is a capture of link type 1, not of CAN frames (SocketCAN, link type 227)");
}

}  // namespace
