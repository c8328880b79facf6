#include "app/analysis/rules/SearchFieldDecision.h"

#include <string>

#include "app/common/rules/HexText.h"
#include "core/frame/RecordWord.h"

namespace korvex {
namespace {

// Marks the hits of n frames by identifier; an event record is a hit as its
// empty cell is. A scalar loop on purpose: the records are 24 bytes apart, so
// a vector loop would gather each identifier on its own, which measured four
// times slower than this loop; it keeps pace with the memory as it is.
void MarkIdentifierHits(const _VCI_CAN_OBJ* __restrict frames, int n, std::uint8_t* __restrict hits,
                        const HexCellRange range, const std::uint8_t eventHit) {
    for (int k = 0; k < n; ++k) {
        const std::uint8_t frameHit = range.Holds(static_cast<std::int32_t>(frames[k].ID));
        hits[k] = EventCodeByWord(frames[k]) != 0 ? eventHit : frameHit;
    }
}

}  // namespace

CSearchFieldDecision::CSearchFieldDecision(int column, const CSearchMatcher& matcher,
                                           const ExportRowContext& context)
    : fields(column, context) {
    switch (fields.GetKind()) {
        case CCellFields::Kind::kByte: {
            const std::vector<std::string>& texts = fields.ByteTexts();
            for (std::size_t v = 0; v < texts.size(); ++v) {
                std::string lower = texts[v];
                ToLowerAscii(lower.data(), lower.size());
                byValue[v] = matcher.Matches(lower);
            }
            kind = Kind::kByte;
            break;
        }
        case CCellFields::Kind::kIdentifier:
            if (matcher.ContainsTicked()) break;
            eventHit = matcher.Matches("");
            identifiers = matcher.FullHexCellRange();
            kind = Kind::kIdentifier;
            break;
        default:
            break;
    }
}

void CSearchFieldDecision::MarkHits(const _VCI_CAN_OBJ* frames, int n, std::uint8_t* hits) const {
    if (kind == Kind::kIdentifier) {
        MarkIdentifierHits(frames, n, hits, identifiers, eventHit);
        return;
    }
    for (int k = 0; k < n; ++k) hits[k] = byValue[fields.ByteOf(frames[k])];
}

}  // namespace korvex
