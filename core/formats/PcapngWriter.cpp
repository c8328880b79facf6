#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "core/FrameLines.h"
#include "core/formats/FrameClock.h"
#include "core/formats/PcapFormat.h"
#include "core/formats/PcapLayout.h"

namespace korvex::formats {
namespace {

using namespace pcap;

constexpr std::uint64_t kMicrosPerTick = 100;
constexpr std::uint8_t kMicrosecondResolution = 6;
constexpr std::size_t kPacketBlockSize = kBlockFrame + kEnhancedFields + kClassicPacketSize;
constexpr std::size_t kFlagsOptionSize = 12;  // epb_flags and the end of options
constexpr std::size_t kFlushAt = 1u << 20;

// Little-endian, the writer's byte order.
void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, static_cast<std::uint16_t>(v));
    Put16(out, static_cast<std::uint16_t>(v >> 16));
}
void PutOption(std::vector<std::uint8_t>& out, std::uint16_t code, std::string_view value) {
    Put16(out, code);
    Put16(out, static_cast<std::uint16_t>(value.size()));
    out.insert(out.end(), value.begin(), value.end());
    out.resize(out.size() + (4 - value.size() % 4) % 4, 0);
}

// A block of `type` around the body `body`.
void PutBlock(std::vector<std::uint8_t>& out, std::uint32_t type,
              const std::vector<std::uint8_t>& body) {
    const auto total = static_cast<std::uint32_t>(body.size() + kBlockFrame);
    Put32(out, type);
    Put32(out, total);
    out.insert(out.end(), body.begin(), body.end());
    Put32(out, total);
}

// The section header and one interface description per channel.
std::vector<std::uint8_t> Head(const std::vector<std::string>& interfaceNames) {
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> body;
    Put32(body, kByteOrderMagic);
    Put16(body, 1);
    Put16(body, 0);
    Put32(body, 0xFFFFFFFFu);  // section length unknown
    Put32(body, 0xFFFFFFFFu);
    PutBlock(out, kSectionHeader, body);
    for (const std::string& name : interfaceNames) {
        body.clear();
        Put16(body, kLinkTypeSocketCan);
        Put16(body, 0);
        Put32(body, 0);  // no snap length
        PutOption(body, kOptionName, name);
        PutOption(body, kOptionTsResol,
                  std::string_view(reinterpret_cast<const char*>(&kMicrosecondResolution), 1));
        Put32(body, 0);  // end of options
        PutBlock(out, kInterfaceDescription, body);
    }
    return out;
}

// The enhanced packet block of one record at `p`; returns its size.
std::size_t PutPacket(std::uint8_t* p, const _VCI_CAN_OBJ& f, std::uint32_t interface,
                      std::uint64_t micros) {
    const bool outbound = EventCode(f) == 0 && f.SendType == kSendTypeTransmitted;
    const auto total =
        static_cast<std::uint32_t>(kPacketBlockSize + (outbound ? kFlagsOptionSize : 0));
    formats::Put32(p, kEnhancedPacket);
    formats::Put32(p + 4, total);
    formats::Put32(p + 8, interface);
    formats::Put32(p + 12, static_cast<std::uint32_t>(micros >> 32));
    formats::Put32(p + 16, static_cast<std::uint32_t>(micros));
    formats::Put32(p + 20, kClassicPacketSize);
    formats::Put32(p + 24, kClassicPacketSize);
    EncodePacket(f, p + 28);
    std::uint8_t* q = p + 28 + kClassicPacketSize;
    if (outbound) {
        formats::Put32(q, std::uint32_t{kOptionFlags} | 4u << 16);
        formats::Put32(q + 4, kFlagsOutbound);
        formats::Put32(q + 8, 0);
        q += kFlagsOptionSize;
    }
    formats::Put32(q, total);
    return total;
}

}  // namespace

bool WritePcapng(std::FILE* file, const WriteSource& source, const WriteOptions& options) {
    const bool channels = HasChannels(source);
    const std::vector<std::string> entryNames = channels
                                                    ? source.channels->InterfaceNames(options.iface)
                                                    : std::vector<std::string>{options.iface};
    // Interfaces in the order of their channel numbers.
    std::vector<std::uint32_t> interfaceOfEntry(entryNames.size(), 0);
    std::vector<std::string> names;
    if (channels) {
        std::vector<std::size_t> order(entryNames.size());
        for (std::size_t e = 0; e < order.size(); ++e) order[e] = e;
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return source.channels->NumberOfEntry(a) < source.channels->NumberOfEntry(b);
        });
        for (const std::size_t e : order) {
            interfaceOfEntry[e] = static_cast<std::uint32_t>(names.size());
            names.push_back(entryNames[e]);
        }
    } else {
        names = entryNames;
    }
    std::vector<std::uint8_t> out = Head(names);
    const CFrameClock clock(source.origTimeList, options.utc);
    const bool withEvents = !options.noEvents;
    out.reserve(kFlushAt + kPacketBlockSize + kFlagsOptionSize);
    bool written = true;
    const FrameView frames = source.frameStore.View();
    std::array<std::uint8_t, kPacketBlockSize + kFlagsOptionSize> block;
    frames.ForEachRun(0, frames.Count(), [&](std::int64_t first, const _VCI_CAN_OBJ* run, int n) {
        for (int k = 0; k < n && written; ++k) {
            const _VCI_CAN_OBJ& frame = run[k];
            if (!IsLoggedRecord(frame, withEvents)) continue;
            const std::uint32_t interface =
                channels ? interfaceOfEntry[source.channels->EntryOf(first + k)] : 0;
            const Ticks time = std::max<Ticks>(clock.AbsoluteTime(frame), 0);
            const std::size_t size = PutPacket(block.data(), frame, interface,
                                               static_cast<std::uint64_t>(time) * kMicrosPerTick);
            out.insert(out.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(size));
            if (out.size() >= kFlushAt) {
                written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
                out.clear();
            }
        }
    });
    return written && std::fwrite(out.data(), 1, out.size(), file) == out.size() &&
           std::fflush(file) == 0;
}

}  // namespace korvex::formats
