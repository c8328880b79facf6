#include "app/device/rules/BitTiming.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/device/rules/DeviceTexts.h"

namespace korvex::device {
namespace {

constexpr std::uint32_t kMaxBrp = 1024;
constexpr std::uint32_t kMaxTseg1 = 16;
constexpr std::uint32_t kMaxTseg2 = 8;
constexpr std::uint32_t kSegmentsMask = 0x7F0000;
constexpr std::uint32_t kTseg1Is13Tseg2Is2 = 0x1C0000;

constexpr std::array<std::uint32_t, 10> kStandardTimings = {
    0x00060003, 0x00060004, 0x00060007, 0x001C0008, 0x001C0011,
    0x00160023, 0x001C002C, 0x001600B3, 0x001C00E0, 0x001C01C1,
};

struct RowFields {
    std::uint32_t t1;    // TSEG1 - 1
    std::uint32_t t2;    // TSEG2 - 1
    std::uint32_t bits;  // quanta per bit
    std::uint32_t rate;
    std::int64_t error;  // rate - desired
};

RowFields Fields(std::uint32_t value, std::uint32_t clockHz, std::uint32_t desiredRate) {
    RowFields f{};
    const std::uint32_t brp = (value & 0x3FF) + 1;
    f.t1 = (value >> 16) & 0xF;
    f.t2 = (value >> 20) & 7;
    f.bits = f.t1 + f.t2 + 3;
    f.rate = clockHz / (brp * f.bits);
    f.error = std::int64_t{f.rate} - std::int64_t{desiredRate};
    return f;
}

}  // namespace

std::uint32_t ClockHz(double clockMHz) {
    const double product = clockMHz * 1000000.0;
    const double nearest = std::round(product);
    const double hz = std::fabs(product - nearest) < 1e-6 ? nearest : std::trunc(product);
    if (!(hz > 0.0)) return 0;
    return hz >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(hz);
}

std::vector<std::uint32_t> CalculateBitTimings(const BitTimingInput& input) {
    std::vector<std::uint32_t> results;
    // The dialog refuses a larger SJW before it calculates; it would spill
    // into the TSEG1 bits.
    if (input.sjwRegister > kMaxSjwRegister) return results;
    const std::uint32_t clock = ClockHz(input.clockMHz);
    // In 64 bits: d x 1005 leaves 32 bits from about 4.27 Mbit/s on, and the
    // desired rate goes up to 6 Mbit/s.
    const std::uint64_t d = input.desiredRate;
    const std::uint64_t low = d * 995 / 1000;
    const std::uint64_t high = d * 1005 / 1000;
    const std::uint32_t sam = input.tripleSampling ? 1u : 0u;
    const std::uint32_t firstTseg2 = input.tseg2AtLeastSjw ? input.sjwRegister + 1 : 1;
    for (std::uint32_t tseg2 = firstTseg2; tseg2 <= kMaxTseg2; ++tseg2) {
        for (std::uint32_t tseg1 = tseg2; tseg1 <= kMaxTseg1; ++tseg1) {
            const std::uint32_t n = 1 + tseg1 + tseg2;
            const std::uint32_t head =
                (input.sjwRegister << 14) | ((tseg1 - 1) << 16) | ((tseg2 - 1) << 20) | (sam << 23);
            for (std::uint32_t brp = 1; brp <= kMaxBrp; ++brp) {
                const std::uint32_t rate = clock / (brp * n);
                if (low < rate && rate < high) results.push_back((brp - 1) | head);
            }
        }
    }
    return results;
}

bool IsStandardTiming(std::uint32_t value) {
    return std::find(kStandardTimings.begin(), kStandardTimings.end(), value) !=
           kStandardTimings.end();
}

std::array<std::string, kBitTimingColumns> BitTimingRowTexts(std::uint32_t value,
                                                             std::uint32_t clockHz,
                                                             std::uint32_t desiredRate) {
    const RowFields f = Fields(value, clockHz, desiredRate);
    std::array<std::string, kBitTimingColumns> texts;
    char text[64];
    std::snprintf(text, sizeof text, "0x%8.8X", value);
    texts[0] = text;
    std::snprintf(text, sizeof text, "%u, %u", f.t1, f.t2);
    texts[1] = text;
    std::snprintf(text, sizeof text, "%3.1f%%", (f.t1 + 2) * 100.0 / f.bits);
    texts[2] = text;
    std::snprintf(text, sizeof text, "%u", f.rate);
    texts[3] = text;
    std::snprintf(text, sizeof text, "%0.2f%%",
                  desiredRate == 0 ? 0.0 : static_cast<double>(f.error) * 100.0 / desiredRate);
    texts[4] = text;
    return texts;
}

BitTimingRowColour BitTimingRowColourOf(std::uint32_t value, std::uint32_t clockHz,
                                        std::uint32_t desiredRate) {
    const RowFields f = Fields(value, clockHz, desiredRate);
    if ((value & kSegmentsMask) == kTseg1Is13Tseg2Is2 && f.rate == desiredRate)
        return BitTimingRowColour::kExactStandardSegments;
    if (desiredRate != 0 && std::trunc((f.t1 + 2) * 1000.0 / f.bits) == 875.0 &&
        std::trunc(static_cast<double>(f.error) * 10000.0 / desiredRate) == 0.0)
        return BitTimingRowColour::kSamplePoint875;
    return BitTimingRowColour::kNormal;
}

std::uint32_t BitTimingRowBackground(BitTimingRowColour colour) {
    switch (colour) {
        case BitTimingRowColour::kExactStandardSegments:
            return 0x00DCFFE6;  // RGB(230,255,220)
        case BitTimingRowColour::kSamplePoint875:
            return 0x00B8FFFF;  // RGB(255,255,184)
        case BitTimingRowColour::kNormal:
            break;
    }
    return 0x00FFFFFF;
}

std::array<std::string, kBitTimingColumns> BitTimingCaptions() {
    return {DeviceText(ids::kColumnBitTiming), DeviceText(ids::kColumnSegments),
            DeviceText(ids::kColumnSamplePoint), DeviceText(ids::kColumnActualRate),
            DeviceText(ids::kColumnError)};
}

void CBitTimingRules::Calculate() {
    results = CalculateBitTimings(input);
    clockHz = ClockHz(input.clockMHz);
    desiredRate = input.desiredRate;
}

void CBitTimingRules::ClickRow(std::size_t row) {
    if (row < results.size()) selected = results[row];
}

std::array<std::string, kBitTimingColumns> CBitTimingRules::RowTexts(std::size_t row) const {
    return BitTimingRowTexts(results.at(row), clockHz, desiredRate);
}

BitTimingRowColour CBitTimingRules::RowColour(std::size_t row) const {
    return BitTimingRowColourOf(results.at(row), clockHz, desiredRate);
}

bool CBitTimingRules::RowIsStandard(std::size_t row) const {
    return IsStandardTiming(results.at(row));
}

}  // namespace korvex::device
