#include "app/device/rules/FilterTableWalk.h"

namespace korvex::device {
namespace {

constexpr std::uint16_t kStdPadding = 0xFFFF;
constexpr std::uint32_t kStdIdMask = 0x7FF;
constexpr std::uint32_t kExtIdMask = 0x1FFFFFFF;

std::uint16_t ReadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t ReadU32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

}  // namespace

std::vector<FilterEntry> WalkFilterTable(const FilterInfo& info) {
    std::vector<FilterEntry> entries;
    const std::uint32_t end = info.dwTableEnd;
    if (end > sizeof info.bTable) return entries;
    const std::uint8_t* table = info.bTable;
    std::uint32_t at = 0;
    while (at < end) {
        const auto fits = [&](std::uint32_t bytes) { return at + bytes <= end; };
        FilterEntry e;
        if (at < info.dwStdGroupStart) {
            if (!fits(2)) break;
            std::uint16_t value = ReadU16(table + at);
            at += 2;
            if (value == kStdPadding) {
                if (!fits(2)) break;
                value = ReadU16(table + at);
                at += 2;
            }
            e = {static_cast<std::uint32_t>(value >> 13), FilterFormat::kStdExplicit,
                 value & kStdIdMask, value & kStdIdMask};
        } else if (at < info.dwExtExplicitStart) {
            if (!fits(4)) break;
            const std::uint16_t endValue = ReadU16(table + at);
            const std::uint16_t startValue = ReadU16(table + at + 2);
            e = {static_cast<std::uint32_t>(startValue >> 13), FilterFormat::kStdGroup,
                 startValue & kStdIdMask, endValue & kStdIdMask};
            at += 4;
        } else if (at < info.dwExtGroupStart) {
            if (!fits(4)) break;
            const std::uint32_t value = ReadU32(table + at);
            e = {value >> 29, FilterFormat::kExtExplicit, value & kExtIdMask, value & kExtIdMask};
            at += 4;
        } else {
            if (!fits(8)) break;
            const std::uint32_t startValue = ReadU32(table + at);
            const std::uint32_t endValue = ReadU32(table + at + 4);
            e = {startValue >> 29, FilterFormat::kExtGroup, startValue & kExtIdMask,
                 endValue & kExtIdMask};
            at += 8;
        }
        entries.push_back(e);
    }
    return entries;
}

}  // namespace korvex::device
