#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/FrameRowText.h"
#include "core/PageVector.h"
#include "core/SplitPass.h"
#include "core/frame/CanObj.h"
#include "core/frame/CycleBuffer.h"

namespace korvex {

using FrameView = CCycleBuffer<_VCI_CAN_OBJ>::CView;

// The text the frame list shows for a frame in a column (the frame's data-set
// index is its row number). Callers bind it to the frame list's cell text. A
// classification calls it from several threads at once.
using ClusterCellTextFn =
    std::function<void(int column, long long row, const _VCI_CAN_OBJ& frame, std::string& text)>;

// The groups of a classification, in the order of their first frame: each
// group's head frame (its first), the number of its further frames and
// whether they are all identical to the head, and the further frames chained
// in data-set order. Eight bytes per group and four per frame (at most four
// more per group where more than half the frames head a group).
struct ClusterGrouping {
    PageVector<std::int32_t> heads;
    PageVector<std::uint32_t> members;  // per group: further frames, and kUniform
    // Per frame: for a head its first further frame, for a further frame the
    // next; -1 at the end.
    PageVector<std::int32_t> nextMember;

    static constexpr std::uint32_t kUniform = 0x80000000u;

    std::size_t Count() const { return heads.size(); }
    std::int32_t MemberCount(std::size_t group) const {
        return static_cast<std::int32_t>(members[group] & ~kUniform);
    }
    bool Uniform(std::size_t group) const { return (members[group] & kUniform) != 0; }
};

// Identical for the classification: same identifier, format, type and length,
// and the same first DataLen data bytes (a length past 8 compares all 8).
bool SameClusterFrame(const _VCI_CAN_OBJ& a, const _VCI_CAN_OBJ& b);

// Groups the frames by their texts in the chosen columns: each frame joins
// the group whose head shows the same text in every column (compared exactly,
// column by column), else it starts a new group. Since two groups never share
// their texts, the first matching group in creation order is the only one.
//
// The texts are hashed on all cores; then each core takes the frames of its
// parts of the hashes, a part at a time and in frame order, and finds their
// groups in a table of its own, comparing texts only where the hashes agree
// (keeping the texts of the groups that have further frames, so a frame is
// compared with its group's head without making the head's texts again). No
// memory is taken per frame or per group beyond the hashes, the arrays of the
// result (made in the hashes' room where they can be) and those tables.
// False when `split`'s cancel ended it.
bool GroupClusterFrames(const FrameView& frames, const std::vector<std::int32_t>& columns,
                        const ClusterCellTextFn& cellText, const PassSplit& split,
                        ClusterGrouping& out);

// The same grouping by the frame list's texts of `context` (FormatCellText).
// Where every chosen column's text follows from a few of the frame's fields
// (CCellFields), the frames are grouped by those fields, and no text is made.
bool GroupClusterFrames(const FrameView& frames, const std::vector<std::int32_t>& columns,
                        const ExportRowContext& context, const PassSplit& split,
                        ClusterGrouping& out);

// The further frames of a group, in data-set order.
std::vector<std::int32_t> ClusterMembers(const ClusterGrouping& grouping, std::size_t group);

}  // namespace korvex
