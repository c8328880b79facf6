#include "logport/FilterLists.h"

#include <algorithm>
#include <cstring>

#include "logport/PacketCodec.h"

namespace logport {

namespace {

constexpr std::uint32_t kStdExplicitSize = 2;
constexpr std::uint32_t kStdGroupSize = 4;
constexpr std::uint32_t kExtExplicitSize = 4;
constexpr std::uint32_t kExtGroupSize = 8;

constexpr std::uint32_t kStdMask = 0x1FFF;
constexpr std::uint32_t kExtMask = 0x1FFFFFFF;
constexpr std::uint16_t kStdPadding = 0xFFFF;

// True when `next` lies clear of `range` with a gap of at least one
// identifier. 64-bit sums keep ranges that end at 0xFFFFFFFF from wrapping.
bool IsSeparateAbove(const IdRange& range, const IdRange& next) {
    return next.dwStart > 0 && std::uint64_t{range.dwEnd} + 1 < next.dwStart;
}

std::uint16_t StdEntry(std::uint32_t id, std::uint32_t channel) {
    return static_cast<std::uint16_t>((id & kStdMask) | channel << 13);
}

std::uint32_t ExtEntry(std::uint32_t id, std::uint32_t channel) {
    return (id & kExtMask) | channel << 29;
}

// Writes table words; the lists' byte total keeps every write inside the table.
class CTableWriter {
  public:
    explicit CTableWriter(FilterInfo& info) : info(info) {}

    void Word(std::uint32_t value) {
        if (dwOffset + 4 > kFilterTableSize) return;
        WriteU32(info.bTable + dwOffset, value);
        dwOffset += 4;
    }
    // Standard explicit entries pair up: the first in the upper half-word.
    void Half(std::uint16_t value) {
        if (bHalfPending) {
            Word(std::uint32_t{wPendingHalf} << 16 | value);
            bHalfPending = false;
        } else {
            wPendingHalf = value;
            bHalfPending = true;
        }
    }
    void FlushHalf() {
        if (bHalfPending) Half(kStdPadding);
    }
    std::uint32_t Offset() const { return dwOffset; }

  private:
    FilterInfo& info;
    std::uint32_t dwOffset = 0;
    std::uint16_t wPendingHalf = 0;
    bool bHalfPending = false;
};

}  // namespace

bool CFilterLists::Add(std::uint32_t channel, const FilterRange& range) {
    if (channel >= kFilterChannels || range.dwStart > range.dwEnd) return false;
    const bool extended = range.dwExtended != 0;
    if (range.dwStart == range.dwEnd) {
        return extended ? AddExplicit(vecExtExplicit[channel], range.dwStart, kExtExplicitSize)
                        : AddExplicit(vecStdExplicit[channel], range.dwStart, kStdExplicitSize);
    }
    const IdRange r{range.dwStart, range.dwEnd};
    return extended ? AddGroup(vecExtGroups[channel], r, kExtGroupSize)
                    : AddGroup(vecStdGroups[channel], r, kStdGroupSize);
}

void CFilterLists::Clear() {
    for (std::uint32_t ch = 0; ch < kFilterChannels; ++ch) {
        vecStdExplicit[ch].clear();
        vecStdGroups[ch].clear();
        vecExtExplicit[ch].clear();
        vecExtGroups[ch].clear();
    }
    dwBytesUsed = 0;
}

bool CFilterLists::Fits(std::uint32_t entrySize) const {
    return dwBytesUsed + entrySize <= kFilterTableSize;
}

bool CFilterLists::AddExplicit(std::vector<std::uint32_t>& list, std::uint32_t id,
                               std::uint32_t entrySize) {
    const auto at = std::lower_bound(list.begin(), list.end(), id);
    if (at != list.end() && *at == id) return true;
    if (!Fits(entrySize)) return false;
    list.insert(at, id);
    dwBytesUsed += entrySize;
    return true;
}

bool CFilterLists::AddGroup(std::vector<IdRange>& list, IdRange range, std::uint32_t entrySize) {
    // The capacity test uses the whole entry size even when merging will
    // shrink the lists again.
    if (!Fits(entrySize)) return false;
    auto at = list.begin();
    while (at != list.end() && IsSeparateAbove(*at, range)) ++at;
    if (at != list.end() && !IsSeparateAbove(range, *at)) {
        // Touching or overlapping: the merged range takes the place of *at.
        range.dwStart = std::min(range.dwStart, at->dwStart);
        range.dwEnd = std::max(range.dwEnd, at->dwEnd);
    }
    at = list.insert(at, range);
    dwBytesUsed += entrySize;
    auto next = at + 1;
    while (next != list.end() && !IsSeparateAbove(*at, *next)) {
        at->dwEnd = std::max(at->dwEnd, next->dwEnd);
        next = list.erase(next);
        at = next - 1;
        dwBytesUsed -= entrySize;
    }
    return true;
}

FilterInfo CFilterLists::BuildTable() {
    FilterInfo info;
    std::memset(&info, 0, sizeof info);
    info.bEnable = 1;
    CTableWriter table(info);

    info.dwStdExplicitStart = table.Offset();
    for (std::uint32_t ch = 0; ch < kFilterChannels; ++ch)
        for (std::uint32_t id : vecStdExplicit[ch]) table.Half(StdEntry(id, ch));
    table.FlushHalf();

    info.dwStdGroupStart = table.Offset();
    for (std::uint32_t ch = 0; ch < kFilterChannels; ++ch)
        for (const IdRange& r : vecStdGroups[ch])
            table.Word(std::uint32_t{StdEntry(r.dwStart, ch)} << 16 | StdEntry(r.dwEnd, ch));

    info.dwExtExplicitStart = table.Offset();
    for (std::uint32_t ch = 0; ch < kFilterChannels; ++ch)
        for (std::uint32_t id : vecExtExplicit[ch]) table.Word(ExtEntry(id, ch));

    info.dwExtGroupStart = table.Offset();
    for (std::uint32_t ch = 0; ch < kFilterChannels; ++ch)
        for (const IdRange& r : vecExtGroups[ch]) {
            table.Word(ExtEntry(r.dwStart, ch));
            table.Word(ExtEntry(r.dwEnd, ch));
        }

    info.dwTableEnd = table.Offset();
    dwBytesUsed = info.dwTableEnd;
    return info;
}

}  // namespace logport
