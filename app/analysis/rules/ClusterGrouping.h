#pragma once

#include <cstdint>
#include <vector>

#include "core/frame/CanObj.h"

namespace korvex {

// One group of the classification: its head frame (the first frame with
// these texts) and its further frames, chained through nextMember in
// data-set order.
struct ClusterGroup {
    std::int32_t headFrame = 0;
    std::int32_t firstMember = -1;
    std::int32_t lastMember = -1;
    std::int32_t memberCount = 0;
    std::uint8_t uniform = 1;  // every member identical to the head frame
};

struct ClusterGrouping {
    std::vector<ClusterGroup> groups;      // in the order of their first frame
    std::vector<std::int32_t> nextMember;  // per frame: the group's next member, -1 at the end
};

// Identical for the classification: same identifier, format, type and length,
// and the same first DataLen data bytes (a length past 8 compares all 8).
bool SameClusterFrame(const _VCI_CAN_OBJ& a, const _VCI_CAN_OBJ& b);

// Groups frames by their text numbers: columnIds[c][f] is the number of the
// text of frame f in chosen column c. Each frame joins the group whose head
// has the same numbers in every column, else it starts a new group. Since two
// groups never share their texts, the first matching group in creation order
// is the only one, and a hash of the numbers finds it without a scan.
void GroupClusterFrames(const std::vector<std::vector<std::uint32_t>>& columnIds,
                        const std::vector<_VCI_CAN_OBJ>& frames, ClusterGrouping& out);

// The members of a group, in data-set order.
std::vector<std::int32_t> ClusterMembers(const ClusterGrouping& grouping, std::int32_t group);

}  // namespace korvex
