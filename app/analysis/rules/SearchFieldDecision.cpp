#include "app/analysis/rules/SearchFieldDecision.h"

#include <string>

#include "app/common/rules/HexText.h"

namespace korvex {

CSearchFieldDecision::CSearchFieldDecision(int column, const CSearchMatcher& matcher,
                                           const ExportRowContext& context)
    : matcher(matcher), fields(column, context) {
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
            kind = Kind::kIdentifier;
            break;
        default:
            break;
    }
}

}  // namespace korvex
