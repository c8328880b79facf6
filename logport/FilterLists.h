#pragma once

// The acceptance-filter lists that LGP_SetReference collects and
// LGP_SetFilterInfo turns into the recorder's 2048-byte lookup table.
//
// Per channel (0 and 1) there are four lists, each sorted ascending without
// duplicates: standard explicit identifiers (2 table bytes each), standard
// groups (4), extended explicit identifiers (4) and extended groups (8).
// Group lists hold ranges that neither overlap nor touch. The running byte
// total never exceeds the table size.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "logport/include/logport.h"

namespace logport {

inline constexpr std::size_t kFilterTableSize = sizeof(FilterInfo::bTable);
inline constexpr std::uint32_t kFilterChannels = 2;

struct IdRange {
    std::uint32_t dwStart;
    std::uint32_t dwEnd;

    bool operator==(const IdRange&) const = default;
};

class CFilterLists {
  public:
    // Adds a single identifier (start == end) or a range. False, with the
    // lists unchanged, for channel > 1, start > end or a full table.
    bool Add(std::uint32_t channel, const FilterRange& range);
    // Empties all eight lists and sets the byte total to 0.
    void Clear();

    // Builds the filter record from the lists; the byte total becomes the
    // end of the table (which counts the padding of an odd standard section).
    FilterInfo BuildTable();

    std::uint32_t BytesUsed() const { return dwBytesUsed; }
    const std::vector<std::uint32_t>& StdExplicit(std::uint32_t channel) const {
        return vecStdExplicit[channel];
    }
    const std::vector<IdRange>& StdGroups(std::uint32_t channel) const {
        return vecStdGroups[channel];
    }
    const std::vector<std::uint32_t>& ExtExplicit(std::uint32_t channel) const {
        return vecExtExplicit[channel];
    }
    const std::vector<IdRange>& ExtGroups(std::uint32_t channel) const {
        return vecExtGroups[channel];
    }

  private:
    bool Fits(std::uint32_t entrySize) const;
    bool AddExplicit(std::vector<std::uint32_t>& list, std::uint32_t id, std::uint32_t entrySize);
    bool AddGroup(std::vector<IdRange>& list, IdRange range, std::uint32_t entrySize);

    std::array<std::vector<std::uint32_t>, kFilterChannels> vecStdExplicit;
    std::array<std::vector<IdRange>, kFilterChannels> vecStdGroups;
    std::array<std::vector<std::uint32_t>, kFilterChannels> vecExtExplicit;
    std::array<std::vector<IdRange>, kFilterChannels> vecExtGroups;
    std::uint32_t dwBytesUsed = 0;
};

}  // namespace logport
