#pragma once

#include <array>
#include <cstdint>

#include "app/analysis/rules/CellFields.h"
#include "app/analysis/rules/SearchConditions.h"
#include "core/FrameRowText.h"
#include "core/frame/CanObj.h"

namespace korvex {

// Decides a search from a frame's fields, without making the searched cell's
// text, where that text follows from a few fields (CCellFields): the format,
// type, length and remark columns from one byte each, the identifier column
// from the identifier. The results for a byte's values are taken once from
// the texts of those values; elsewhere, it does not decide.
class CSearchFieldDecision {
  public:
    CSearchFieldDecision(int column, const CSearchMatcher& matcher,
                         const ExportRowContext& context);

    bool Decides() const { return kind != Kind::kNone; }
    // Whether the frame is a hit; only when Decides().
    bool Matches(const _VCI_CAN_OBJ& frame) const {
        if (kind == Kind::kIdentifier)
            return EventCode(frame) != 0 ? eventHit
                                         : identifiers.Holds(static_cast<std::int32_t>(frame.ID));
        return byValue[fields.ByteOf(frame)];
    }
    // Sets hits[k] to whether frames[k] is a hit, for k < n; only when
    // Decides().
    void MarkHits(const _VCI_CAN_OBJ* frames, int n, std::uint8_t* hits) const;

  private:
    enum class Kind { kNone, kByte, kIdentifier };

    const CCellFields fields;
    Kind kind = Kind::kNone;
    std::array<bool, 256> byValue{};
    bool eventHit = false;
    HexCellRange identifiers;  // the identifiers that are hits
};

}  // namespace korvex
