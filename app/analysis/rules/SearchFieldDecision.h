#pragma once

#include <array>
#include <cstdint>

#include "app/analysis/rules/SearchConditions.h"
#include "core/FrameRowText.h"
#include "core/frame/CanObj.h"

namespace korvex {

// Decides a search from a frame's fields, without making the searched cell's
// text, where that text follows from a few fields: the format, type, length
// and remark columns from one byte each, the identifier column (empty for an
// event record, else "0x" and eight digits) from the identifier. The results
// for a byte's values are taken once from the text path itself, and what the
// decision assumes of a column's texts is checked against the text path on a
// set of probe frames first; where either fails, it does not decide.
class CSearchFieldDecision {
  public:
    CSearchFieldDecision(int column, const CSearchMatcher& matcher,
                         const ExportRowContext& context);

    bool Decides() const { return kind != Kind::kNone; }
    // Whether the frame is a hit; only when Decides().
    bool Matches(const _VCI_CAN_OBJ& frame) const {
        if (kind == Kind::kIdentifier)
            return EventCode(frame) != 0
                       ? eventHit
                       : matcher.MatchesFullHexCell(static_cast<std::int32_t>(frame.ID));
        return byValue[ByteOf(frame)];
    }

  private:
    enum class Kind { kNone, kByte, kIdentifier };
    enum class Byte { kRemote, kExtended, kLength, kEvent };

    std::uint8_t ByteOf(const _VCI_CAN_OBJ& frame) const {
        switch (byte) {
            case Byte::kRemote:
                return frame.RemoteFlag != 0;
            case Byte::kExtended:
                return frame.ExternFlag != 0;
            case Byte::kLength:
                return frame.DataLen;
            case Byte::kEvent:
                break;
        }
        return EventCode(frame);
    }
    void PrepareBytes(int column, const ExportRowContext& context);
    void PrepareIdentifier(const ExportRowContext& context);

    const CSearchMatcher& matcher;
    Kind kind = Kind::kNone;
    Byte byte = Byte::kEvent;
    std::array<bool, 256> byValue{};
    bool eventHit = false;
};

}  // namespace korvex
