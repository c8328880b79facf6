#pragma once

#include <cstdint>

// SAE J1939 identifiers: priority (3 bits), extended data page, data page, PDU
// format (PF), PDU specific (PS), source address.
namespace korvex::signaldb {

// The 18-bit parameter group number of a 29-bit identifier: EDP, DP, PF and,
// for PDU2 formats (PF >= 240), PS. In PDU1 formats PS is the destination
// address and not part of the group.
constexpr std::uint32_t ParameterGroupNumber(std::uint32_t id) {
    const std::uint32_t pf = (id >> 16) & 0xFF;
    const std::uint32_t ps = pf >= 240 ? (id >> 8) & 0xFF : 0;
    return (((id >> 24) & 0x3) << 16) | (pf << 8) | ps;
}

}  // namespace korvex::signaldb
