#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "logport/include/logport.h"

namespace korvex::cli {

// Kinds of acceptance filter entry, in table section order.
enum class FilterKind : int { kStdExplicit = 0, kStdGroup = 1, kExtExplicit = 2, kExtGroup = 3 };

struct FilterEntry {
    std::uint32_t channel = 0;
    FilterKind kind = FilterKind::kStdExplicit;
    std::uint32_t start = 0;
    std::uint32_t end = 0;  // equals start for an explicit identifier
};

// The bit-rate table: 0 = "1000K" ... 9 = "5K". Null when no entry has `reg`.
const char* BitRateName(std::uint32_t timingRegister);

// Walks the filter table as the configuration dialog does and returns the
// entries in the order it lists them (the table's last entry first). The
// walk stays inside the table whatever the section starts and end say.
std::vector<FilterEntry> DecodeFilterTable(const FilterInfo& info);

// The readable configuration: bit rate, mode, send interval, clock, IO,
// resistor, filter enable and the filter entries.
std::string DeviceInfoText(const BaseInfo& base, const FilterInfo& filter);

}  // namespace korvex::cli
