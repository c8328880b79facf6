#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "core/formats/PcapFormat.h"
#include "core/formats/PcapLayout.h"
#include "core/formats/SpanBuilder.h"

namespace korvex::formats {
namespace {

using namespace pcap;

// No CAN packet comes near this; a larger record or block is damage, not a
// reason to allocate.
constexpr std::uint32_t kMaxBlock = 1u << 20;
constexpr std::size_t kChunk = 1u << 20;
constexpr int kMaxDecimalResolution = 19;  // 10^19 still fits 64 bits
constexpr int kMaxBinaryResolution = 63;

// The bytes of the file through a window that is refilled as the read moves
// on, so that a block is parsed in place.
class CByteWindow {
  public:
    explicit CByteWindow(std::FILE* file) : file(file) {}

    // At least n bytes from the read position are in the window; false at
    // the end of the file (or a read error) before them.
    bool Need(std::size_t n) {
        if (end - at >= n) return true;
        if (end > at) std::memmove(bytes.data(), bytes.data() + at, end - at);
        offset += static_cast<long long>(at);
        end -= at;
        at = 0;
        if (bytes.size() < std::max(n, kChunk)) bytes.resize(std::max(n, kChunk));
        while (end < n) {
            const std::size_t got = std::fread(bytes.data() + end, 1, bytes.size() - end, file);
            if (got == 0) return false;
            end += got;
        }
        return true;
    }
    const std::uint8_t* Here() const { return bytes.data() + at; }
    void Advance(std::size_t n) { at += n; }
    long long Offset() const { return offset + static_cast<long long>(at); }
    std::size_t Left() const { return end - at; }

  private:
    std::FILE* file;
    std::vector<std::uint8_t> bytes;
    std::size_t at = 0;
    std::size_t end = 0;
    long long offset = 0;  // of bytes[0] in the file
};

// How an interface's time stamps count.
struct Interface {
    std::uint16_t linkType = 0;
    bool decimal = true;
    int exponent = 6;         // units of 10^-exponent or 2^-exponent seconds
    std::int64_t offset = 0;  // seconds added to every time stamp
    IdOrder order = IdOrder::kUnknown;
    bool reported = false;  // its packets of another link type were reported
};

// A time stamp in the interface's units as ticks since the epoch, rounded to
// the nearest tick; none beyond what the logs can carry.
std::optional<Ticks> TicksOf(std::uint64_t stamp, const Interface& i) {
    std::uint64_t seconds;
    std::uint64_t ticks;
    if (i.decimal) {
        std::uint64_t unit = 1;
        for (int k = 0; k < i.exponent; ++k) unit *= 10;
        seconds = stamp / unit;
        const std::uint64_t fraction = stamp % unit;
        if (i.exponent <= 4) {
            ticks = fraction * (kTicksPerSecond / unit);
        } else {
            const std::uint64_t perTick = unit / kTicksPerSecond;
            ticks = fraction / perTick + (fraction % perTick >= (perTick + 1) / 2 ? 1 : 0);
        }
    } else {
        seconds = stamp >> i.exponent;
        std::uint64_t fraction = stamp & ((std::uint64_t{1} << i.exponent) - 1);
        int shift = i.exponent;
        // Keeps fraction · 10000 within 64 bits.
        if (shift > 48) {
            fraction >>= shift - 48;
            shift = 48;
        }
        ticks = (fraction * kTicksPerSecond + (std::uint64_t{1} << shift >> 1)) >> shift;
    }
    constexpr std::int64_t kLastSecond = kLastTime / kTicksPerSecond;
    if (seconds > static_cast<std::uint64_t>(kLastSecond)) return std::nullopt;
    const std::int64_t total = static_cast<std::int64_t>(seconds) + i.offset;
    if (total < 0 || total > kLastSecond) return std::nullopt;
    return std::min<Ticks>(total * kTicksPerSecond + static_cast<Ticks>(ticks), kLastTime);
}

class CPcapRead {
  public:
    CPcapRead(std::FILE* file, const ReadOptions& options, CRecording& out,
              const BadLineFn& badLine)
        : window(file),
          options(options),
          out(out),
          badLine(badLine),
          spans(options.utc, options.bitRateIndex) {
        out.Clear();
    }

    ReadResult Run(std::FILE* file);

  private:
    bool ReadPcapFile(std::uint32_t magic);
    bool ReadPcapngFile();
    bool Section(const std::uint8_t* body, std::size_t length, bool big);
    bool InterfaceBlock(const std::uint8_t* body, std::size_t length, long long at);
    bool PacketBlock(const std::uint8_t* body, std::size_t length, long long at);
    // A packet of interface `index` (its channel is index + 1).
    void Packet(const std::uint8_t* data, std::size_t length, std::uint64_t stamp,
                std::size_t index, bool outbound);
    void Skipped(std::string_view reason);
    bool Damage(long long offset, std::string why) {
        if (result.damageOffset < 0) {
            result.damageOffset = offset;
            result.damage = std::move(why);
        }
        return false;
    }

    CByteWindow window;
    const ReadOptions& options;
    CRecording& out;
    const BadLineFn& badLine;
    CSpanBuilder spans;
    ReadResult result;
    std::vector<Interface> interfaces;
    bool big = false;  // the byte order of the file or current section
    long long packets = 0;
    bool stopped = false;
};

void CPcapRead::Skipped(std::string_view reason) {
    ++result.badLines;
    if (badLine) badLine(packets, reason);
    if (options.strict) {
        stopped = true;
        result.status = ReadStatus::kStrictStop;
        result.line = packets;
    }
}

void CPcapRead::Packet(const std::uint8_t* data, std::size_t length, std::uint64_t stamp,
                       std::size_t index, bool outbound) {
    Interface& i = interfaces[index];
    if (i.linkType != kLinkTypeSocketCan) {
        // Reported once per interface, counted every time.
        if (!i.reported) {
            i.reported = true;
            Skipped("packets of link type " + std::to_string(i.linkType) +
                    " are not CAN frames (SocketCAN, 227); skipped");
        } else {
            ++result.badLines;
        }
        return;
    }
    _VCI_CAN_OBJ frame;
    // CAN FD frames are counted for the channel read, as the frames kept.
    const bool counted = options.channel == 0 || static_cast<int>(index + 1) == options.channel;
    const PacketKind kind = DecodePacket(data, length, i.order, frame);
    switch (kind) {
        case PacketKind::kLongFd:
            if (counted) ++result.longFdFrames;
            return;
        case PacketKind::kNotFrame:
            Skipped("packet is no CAN or CAN FD frame");
            return;
        case PacketKind::kShortFd:
        case PacketKind::kFrame:
            break;
    }
    const std::optional<Ticks> time = TicksOf(stamp, i);
    if (!time) {
        Skipped("time beyond the year 9999");
        return;
    }
    if (outbound && EventCode(frame) == 0) frame.SendType = kSendTypeTransmitted;
    if (!spans.Place(*time, frame)) {
        result.status = ReadStatus::kTooManySpans;
        result.line = packets;
        stopped = true;
        return;
    }
    out.frames.push_back(frame);
    out.channels.AddNumbered(static_cast<std::uint16_t>(index + 1));
    if (counted && kind == PacketKind::kShortFd) ++result.tally.shortFdFrames;
}

bool CPcapRead::ReadPcapFile(std::uint32_t magic) {
    if (!window.Need(kPcapHeaderSize)) return Damage(0, "the file header is cut short");
    const std::uint8_t* h = window.Here();
    Interface link;
    link.exponent = magic == kPcapNanos ? 9 : 6;
    link.linkType = static_cast<std::uint16_t>(Get32(h + 20, big) & 0xFFFF);
    if (link.linkType != kLinkTypeSocketCan) {
        result.status = ReadStatus::kNotCanCapture;
        result.damage = "link type " + std::to_string(link.linkType);
        return false;
    }
    interfaces.push_back(link);
    window.Advance(kPcapHeaderSize);
    while (!stopped) {
        const long long at = window.Offset();
        if (!window.Need(kPcapRecordSize)) {
            if (window.Left() == 0) return true;
            return Damage(at, "a packet header cut short by the end of the file");
        }
        const std::uint8_t* r = window.Here();
        const std::uint64_t seconds = Get32(r, big);
        const std::uint64_t fraction = Get32(r + 4, big);
        const std::uint32_t captured = Get32(r + 8, big);
        if (captured > kMaxBlock)
            return Damage(at, "a packet of " + std::to_string(captured) + " bytes");
        if (!window.Need(kPcapRecordSize + captured))
            return Damage(at, "a packet cut short by the end of the file");
        ++packets;
        const std::uint64_t unit = link.exponent == 9 ? 1000000000u : 1000000u;
        Packet(window.Here() + kPcapRecordSize, captured, seconds * unit + fraction, 0, false);
        window.Advance(kPcapRecordSize + captured);
    }
    return true;
}

bool CPcapRead::Section(const std::uint8_t* body, std::size_t length, bool order) {
    big = order;
    interfaces.clear();
    // Byte-order magic, version 1.x, section length, options.
    if (length < 16 || Get16(body + 4, big) != 1) return false;
    return true;
}

bool CPcapRead::InterfaceBlock(const std::uint8_t* body, std::size_t length, long long at) {
    if (length < 8)
        return Damage(at, "an interface description of " + std::to_string(length) + " bytes");
    Interface i;
    i.linkType = Get16(body, big);
    std::size_t p = 8;
    while (p + 4 <= length) {
        const std::uint16_t code = Get16(body + p, big);
        const std::uint16_t size = Get16(body + p + 2, big);
        p += 4;
        if (code == kOptionEnd) break;
        if (size > length - p) return Damage(at, "an interface option runs past its block");
        if (code == kOptionTsResol && size >= 1) {
            i.decimal = (body[p] & 0x80) == 0;
            i.exponent = body[p] & 0x7F;
            if (i.exponent > (i.decimal ? kMaxDecimalResolution : kMaxBinaryResolution))
                return Damage(at, "a time resolution of " + std::to_string(i.exponent) +
                                      (i.decimal ? " decimal" : " binary") + " places");
        } else if (code == kOptionTsOffset && size >= 8) {
            i.offset = static_cast<std::int64_t>(Get64(body + p, big));
            if (i.offset > kLastTime / kTicksPerSecond || i.offset < -(kLastTime / kTicksPerSecond))
                return Damage(at, "a time offset of " + std::to_string(i.offset) + " seconds");
        }
        p += (size + 3u) & ~3u;
    }
    // Packets name their interface with 32 bits, channels have 16.
    if (interfaces.size() >= CFrameChannels::kMaxChannels)
        return Damage(at, "more interfaces than channels can be told apart");
    interfaces.push_back(i);
    return true;
}

bool CPcapRead::PacketBlock(const std::uint8_t* body, std::size_t length, long long at) {
    if (length < kEnhancedFields)
        return Damage(at, "a packet block of " + std::to_string(length) + " bytes");
    const std::uint32_t index = Get32(body, big);
    const std::uint64_t stamp = std::uint64_t{Get32(body + 4, big)} << 32 | Get32(body + 8, big);
    const std::uint32_t captured = Get32(body + 12, big);
    if (index >= interfaces.size())
        return Damage(
            at, "a packet of interface " + std::to_string(index) + ", which is not described");
    if (captured > length - kEnhancedFields)
        return Damage(at, "a packet of " + std::to_string(captured) + " bytes runs past its block");
    bool outbound = false;
    std::size_t p = kEnhancedFields + ((captured + 3u) & ~std::size_t{3});
    while (p + 4 <= length) {
        const std::uint16_t code = Get16(body + p, big);
        const std::uint16_t size = Get16(body + p + 2, big);
        p += 4;
        if (code == kOptionEnd || size > length - p) break;
        if (code == kOptionFlags && size >= 4)
            outbound = (Get32(body + p, big) & kFlagsDirectionMask) == kFlagsOutbound;
        p += (size + 3u) & ~3u;
    }
    ++packets;
    Packet(body + kEnhancedFields, captured, stamp, index, outbound);
    return true;
}

bool CPcapRead::ReadPcapngFile() {
    bool first = true;
    while (!stopped) {
        const long long at = window.Offset();
        if (!window.Need(8)) {
            if (window.Left() == 0) return true;
            return Damage(at, "a block header cut short by the end of the file");
        }
        const std::uint8_t* b = window.Here();
        const std::uint32_t type = Get32(b, big);
        if (type == kSectionHeader) {
            // The section says its byte order after the type and length.
            if (!window.Need(12)) return Damage(at, "a section header cut short");
            b = window.Here();
            if (Get32(b + 8, false) == kByteOrderMagic) {
                big = false;
            } else if (Get32(b + 8, true) == kByteOrderMagic) {
                big = true;
            } else {
                return Damage(at, "a section header without the byte-order magic");
            }
        } else if (first) {
            return Damage(at, "the file does not begin with a section header");
        }
        first = false;
        const std::uint32_t total = Get32(b + 4, big);
        if (total < kBlockFrame || total % 4 != 0 || total > kMaxBlock)
            return Damage(at, "a block length of " + std::to_string(total));
        if (!window.Need(total)) return Damage(at, "a block cut short by the end of the file");
        b = window.Here();
        if (Get32(b + total - 4, big) != total)
            return Damage(at, "a block whose two lengths differ");
        const std::uint8_t* body = b + 8;
        const std::size_t length = total - kBlockFrame;
        switch (type) {
            case kSectionHeader:
                if (!Section(body, length, big))
                    return Damage(at, "a section of a pcapng version other than 1");
                break;
            case kInterfaceDescription:
                if (!InterfaceBlock(body, length, at)) return false;
                break;
            case kEnhancedPacket:
                if (!PacketBlock(body, length, at)) return false;
                break;
            case kSimplePacket:
                ++packets;
                Skipped("a simple packet block carries no time; skipped");
                break;
            default:
                break;  // statistics, name resolution, custom blocks: nothing for the frames
        }
        window.Advance(total);
    }
    return true;
}

ReadResult CPcapRead::Run(std::FILE* file) {
    if (window.Need(4)) {
        const std::uint32_t little = Get32(window.Here(), false);
        const std::uint32_t bigWord = Get32(window.Here(), true);
        if (little == kSectionHeader) {
            ReadPcapngFile();
        } else if (little == kPcapMicros || little == kPcapNanos) {
            big = false;
            ReadPcapFile(little);
        } else if (bigWord == kPcapMicros || bigWord == kPcapNanos) {
            big = true;
            ReadPcapFile(bigWord);
        } else {
            Damage(0, "the file is neither pcap nor pcapng");
        }
    } else {
        Damage(0, "the file header is cut short");
    }
    out.origTimeList = std::move(spans.Clocks());
    result.frames = static_cast<long long>(out.frames.size());
    if (result.status == ReadStatus::kOk) {
        if (std::ferror(file)) {
            result.status = ReadStatus::kReadError;
            result.error = errno;
        } else if (result.damageOffset >= 0 && (result.frames == 0 || options.strict)) {
            result.status = ReadStatus::kDamagedAt;
        }
    }
    return result;
}

}  // namespace

ReadResult ReadPcap(std::FILE* file, const ReadOptions& options, CRecording& out,
                    const BadLineFn& badLine) {
    CPcapRead read(file, options, out, badLine);
    return read.Run(file);
}

bool IsPcapHead(std::string_view head) {
    if (head.size() < 4) return false;
    const auto* p = reinterpret_cast<const std::uint8_t*>(head.data());
    for (const bool big : {false, true}) {
        const std::uint32_t magic = Get32(p, big);
        if (magic == kPcapMicros || magic == kPcapNanos) return true;
    }
    return false;
}

bool IsPcapngHead(std::string_view head) {
    if (head.size() < 12) return false;
    const auto* p = reinterpret_cast<const std::uint8_t*>(head.data());
    return Get32(p, false) == kSectionHeader &&
           (Get32(p + 8, false) == kByteOrderMagic || Get32(p + 8, true) == kByteOrderMagic);
}

}  // namespace korvex::formats
