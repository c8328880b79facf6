#include "cli/DeviceInfoText.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <optional>

#include "app/device/rules/ConfigDialogRules.h"
#include "app/device/rules/DeviceTexts.h"
#include "xtp/XTPResourceManager.h"

namespace korvex::cli {
namespace {

// The filter kinds' names, in FilterKind order, in the language in use.
constexpr std::array<std::uint32_t, 4> kFilterKindTexts{
    device::ids::kStdExplicit, device::ids::kStdGroup, device::ids::kExtExplicit,
    device::ids::kExtGroup};

constexpr std::uint32_t kTableSize = sizeof(FilterInfo::bTable);

std::uint16_t U16At(const FilterInfo& info, std::uint32_t offset) {
    return static_cast<std::uint16_t>(info.bTable[offset] | info.bTable[offset + 1] << 8);
}

std::uint32_t U32At(const FilterInfo& info, std::uint32_t offset) {
    std::uint32_t v;
    std::memcpy(&v, &info.bTable[offset], sizeof v);
    return v;
}

std::string Format(const char* format, auto... args) {
    char buffer[160];
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace

const char* BitRateName(std::uint32_t timingRegister) {
    const std::optional<std::size_t> index = device::BitRateIndexOf(timingRegister);
    return index ? device::BitRateTable()[*index].text : nullptr;
}

std::vector<FilterEntry> DecodeFilterTable(const FilterInfo& info) {
    std::vector<FilterEntry> walk;
    const std::uint32_t end = info.dwTableEnd <= kTableSize ? info.dwTableEnd : 0;
    std::uint32_t offset = 0;
    while (offset < end) {
        FilterEntry e;
        if (offset < info.dwStdGroupStart) {
            if (offset + 2 > end) break;
            std::uint16_t v = U16At(info, offset);
            offset += 2;
            if (v == 0xFFFF) {
                if (offset + 2 > end) break;
                v = U16At(info, offset);
                offset += 2;
            }
            e = {static_cast<std::uint32_t>(v >> 13), FilterKind::kStdExplicit, v & 0x7FFu,
                 v & 0x7FFu};
        } else if (offset < info.dwExtExplicitStart) {
            if (offset + 4 > end) break;
            const std::uint16_t hi = U16At(info, offset + 2);
            e = {static_cast<std::uint32_t>(hi >> 13), FilterKind::kStdGroup, hi & 0x7FFu,
                 U16At(info, offset) & 0x7FFu};
            offset += 4;
        } else if (offset < info.dwExtGroupStart) {
            if (offset + 4 > end) break;
            const std::uint32_t v = U32At(info, offset);
            e = {v >> 29, FilterKind::kExtExplicit, v & 0x1FFFFFFFu, v & 0x1FFFFFFFu};
            offset += 4;
        } else {
            if (offset + 8 > end) break;
            const std::uint32_t s = U32At(info, offset);
            e = {s >> 29, FilterKind::kExtGroup, s & 0x1FFFFFFFu,
                 U32At(info, offset + 4) & 0x1FFFFFFFu};
            offset += 8;
        }
        walk.push_back(e);
    }
    return {walk.rbegin(), walk.rend()};
}

std::string DeviceInfoText(const BaseInfo& base, const FilterInfo& filter) {
    std::string text;
    const char* rate = base.dwCustomFlag ? nullptr : BitRateName(base.dwTiming);
    text += rate ? Format("Bit rate:             %s (register 0x%08X)\n", rate, base.dwTiming)
                 : Format("Bit rate:             custom register 0x%08X\n", base.dwTiming);
    text +=
        Format("Mode:                 %s\n",
               XTPLoadString(base.bMode == 0 ? device::ids::kListenMode : device::ids::kNormalMode)
                   .c_str());
    text += Format("Send interval:        %u ms\n", base.dwSendInterval);
    text += Format("Clock:                %02d%02d-%02d-%02d %02d:%02d:%02d\n", base.bCentury,
                   base.bYear, base.bMonth, base.bDay, base.bHour, base.bMinute, base.bSecond);
    text += Format("IO output:            %d\n", base.bIoOutput);
    text += Format("Terminating resistor: %s\n", base.dwResistor == 1 ? "enabled" : "disabled");
    text += Format("Filter:               %s\n", base.bFilterEnable == 1 ? "enabled" : "disabled");
    const std::vector<FilterEntry> entries = DecodeFilterTable(filter);
    text += Format("Filter entries:       %zu\n", entries.size());
    for (const FilterEntry& e : entries) {
        text += Format("  %u  %s  0x%08x  0x%08x\n", e.channel,
                       XTPLoadString(kFilterKindTexts[static_cast<std::size_t>(e.kind)]).c_str(),
                       e.start, e.end);
    }
    return text;
}

}  // namespace korvex::cli
