#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The bit-timing calculator's rules: which register values of the recorder's
// CAN controller give a bit rate within 0.5 % of the one wanted, and how a
// result row reads.
//
// Register layout: bits 0-9 BRP-1, 14-15 SJW-1, 16-19 TSEG1-1, 20-22 TSEG2-1,
// 23 triple sampling.
namespace korvex::device {

inline constexpr double kMaxClockMHz = 133.0;
// Decimals the clock field takes: whole hertz, so that 14.7456, 11.0592 or
// 7.3728 MHz can be typed.
inline constexpr int kClockDecimals = 6;
inline constexpr std::uint32_t kMaxDesiredRate = 6000000;
inline constexpr std::uint32_t kMaxSjwRegister = 3;
inline constexpr std::uint32_t kNoTimingSelected = 0xFFFFFFFF;
inline constexpr std::size_t kBitTimingColumns = 5;

// The calculator's fields, with the dialog's defaults.
struct BitTimingInput {
    double clockMHz = 16.0;
    std::uint32_t desiredRate = 500000;
    std::uint32_t sjwRegister = 0;  // SJW - 1, 0 to 3
    bool tseg2AtLeastSjw = true;
    bool tripleSampling = false;
};

// The controller clock in hertz: MHz x 1000000, truncated. A product within
// a millionth of a hertz of a whole number is that number: it is the clock
// typed with up to six decimals, which a double cannot always hold exactly.
std::uint32_t ClockHz(double clockMHz);

// Every register value whose bit rate lies strictly inside 0.5 % of the
// desired rate, TSEG2 ascending, then TSEG1, then BRP.
std::vector<std::uint32_t> CalculateBitTimings(const BitTimingInput& input);

// The ten register values of the bit-rate table (standard rates at 36 MHz).
bool IsStandardTiming(std::uint32_t value);

// Column texts of a result row: "0x%8.8X", "t1, t2", sample point, actual
// rate, error.
std::array<std::string, kBitTimingColumns> BitTimingRowTexts(std::uint32_t value,
                                                             std::uint32_t clockHz,
                                                             std::uint32_t desiredRate);

enum class BitTimingRowColour {
    kNormal,
    kExactStandardSegments,  // TSEG1 13, TSEG2 2 at exactly the desired rate: RGB(230,255,220)
    kSamplePoint875,         // 87.5 % sample point with no error: RGB(255,255,184)
};
BitTimingRowColour BitTimingRowColourOf(std::uint32_t value, std::uint32_t clockHz,
                                        std::uint32_t desiredRate);
// 0x00BBGGRR of the background, for rows that are not kNormal.
std::uint32_t BitTimingRowBackground(BitTimingRowColour colour);

// The column captions, in the current language.
std::array<std::string, kBitTimingColumns> BitTimingCaptions();

// The calculator's state: the fields, the results of the last calculation
// and the value picked (kept across recalculations: it is a register value,
// not a row).
class CBitTimingRules {
  public:
    void Calculate();
    // A click on a row selects its value; an activation selects it and the
    // dialog ends with OK. Rows outside the results are ignored.
    void ClickRow(std::size_t row);

    std::array<std::string, kBitTimingColumns> RowTexts(std::size_t row) const;
    BitTimingRowColour RowColour(std::size_t row) const;
    bool RowIsStandard(std::size_t row) const;

    BitTimingInput input;
    const std::vector<std::uint32_t>& Results() const { return results; }
    std::uint32_t Selected() const { return selected; }

  private:
    std::vector<std::uint32_t> results;
    // Clock and rate of the last calculation: the rows are read against them.
    std::uint32_t clockHz = 0;
    std::uint32_t desiredRate = 0;
    std::uint32_t selected = kNoTimingSelected;
};

}  // namespace korvex::device
