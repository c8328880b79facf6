#include "app/analysis/rules/SearchFieldDecision.h"

#include <string>

#include "app/common/rules/HexText.h"
#include "core/frame/FrameGroups.h"

namespace korvex {
namespace {

// Marks the hits of Count frames by identifier, branch-free so that the loop
// is vectorised; an event record is a hit as its empty cell is.
template <typename Count>
void MarkIdentifierHits(const _VCI_CAN_OBJ* __restrict frames, Count count,
                        std::uint8_t* __restrict hits, const HexCellRange range,
                        const std::uint8_t eventHit) {
    for (int k = 0; k < count; ++k) {
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
        ForEachGroup<32>(n, [&](int first, auto count) {
            MarkIdentifierHits(frames + first, count, hits + first, identifiers, eventHit);
        });
        return;
    }
    for (int k = 0; k < n; ++k) hits[k] = byValue[fields.ByteOf(frames[k])];
}

}  // namespace korvex
