#include "app/analysis/rules/ClusterGrouping.h"

#include <algorithm>
#include <cstring>

namespace korvex {
namespace {

std::uint64_t HashIds(const std::vector<std::vector<std::uint32_t>>& columnIds, std::size_t f) {
    std::uint64_t hash = 0x9E3779B97F4A7C15ull;
    for (const std::vector<std::uint32_t>& ids : columnIds) {
        hash ^= ids[f] + 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2);
    }
    // The final mix spreads consecutive numbers over the whole table.
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 33;
    return hash;
}

bool SameIds(const std::vector<std::vector<std::uint32_t>>& columnIds, std::size_t a,
             std::size_t b) {
    for (const std::vector<std::uint32_t>& ids : columnIds)
        if (ids[a] != ids[b]) return false;
    return true;
}

void JoinGroup(ClusterGroup& group, std::size_t f, const std::vector<_VCI_CAN_OBJ>& frames,
               ClusterGrouping& out) {
    const auto frame = static_cast<std::int32_t>(f);
    if (group.lastMember < 0)
        group.firstMember = frame;
    else
        out.nextMember[static_cast<std::size_t>(group.lastMember)] = frame;
    group.lastMember = frame;
    ++group.memberCount;
    if (group.uniform && !SameClusterFrame(frames[f], frames[group.headFrame])) group.uniform = 0;
}

// Texts are numbered in the order they first appear, and a group is made at
// the first frame of each text, so with one column the text's number is its
// group's index.
void GroupByOneColumn(const std::vector<std::uint32_t>& ids,
                      const std::vector<_VCI_CAN_OBJ>& frames, ClusterGrouping& out) {
    for (std::size_t f = 0; f < frames.size(); ++f) {
        if (ids[f] < out.groups.size()) {
            JoinGroup(out.groups[ids[f]], f, frames, out);
        } else {
            ClusterGroup group;
            group.headFrame = static_cast<std::int32_t>(f);
            out.groups.push_back(group);
        }
    }
}

}  // namespace

bool SameClusterFrame(const _VCI_CAN_OBJ& a, const _VCI_CAN_OBJ& b) {
    if (a.ID != b.ID || a.ExternFlag != b.ExternFlag || a.RemoteFlag != b.RemoteFlag ||
        a.DataLen != b.DataLen)
        return false;
    const std::size_t length = std::min<std::size_t>(a.DataLen, sizeof a.Data);
    return std::memcmp(a.Data, b.Data, length) == 0;
}

void GroupClusterFrames(const std::vector<std::vector<std::uint32_t>>& columnIds,
                        const std::vector<_VCI_CAN_OBJ>& frames, ClusterGrouping& out) {
    out.groups.clear();
    out.nextMember.assign(frames.size(), -1);
    if (columnIds.size() == 1) {
        GroupByOneColumn(columnIds.front(), frames, out);
        return;
    }
    // Open addressing: 0 empty, else group index + 1; kept at most half full.
    std::vector<std::int32_t> slots(64, 0);
    std::vector<std::uint64_t> groupHashes;
    for (std::size_t f = 0; f < frames.size(); ++f) {
        const std::uint64_t hash = HashIds(columnIds, f);
        std::size_t mask = slots.size() - 1;
        std::size_t at = hash & mask;
        for (; slots[at] != 0; at = (at + 1) & mask) {
            const std::size_t g = static_cast<std::size_t>(slots[at] - 1);
            if (groupHashes[g] != hash) continue;
            ClusterGroup& group = out.groups[g];
            if (!SameIds(columnIds, static_cast<std::size_t>(group.headFrame), f)) continue;
            JoinGroup(group, f, frames, out);
            break;
        }
        if (slots[at] != 0) continue;

        ClusterGroup group;
        group.headFrame = static_cast<std::int32_t>(f);
        out.groups.push_back(group);
        groupHashes.push_back(hash);
        slots[at] = static_cast<std::int32_t>(out.groups.size());
        if (out.groups.size() * 2 > slots.size()) {
            slots.assign(slots.size() * 2, 0);
            mask = slots.size() - 1;
            for (std::size_t g = 0; g < groupHashes.size(); ++g) {
                std::size_t to = groupHashes[g] & mask;
                while (slots[to] != 0) to = (to + 1) & mask;
                slots[to] = static_cast<std::int32_t>(g + 1);
            }
        }
    }
}

std::vector<std::int32_t> ClusterMembers(const ClusterGrouping& grouping, std::int32_t group) {
    std::vector<std::int32_t> members;
    const ClusterGroup& g = grouping.groups[static_cast<std::size_t>(group)];
    members.reserve(static_cast<std::size_t>(g.memberCount));
    for (std::int32_t m = g.firstMember; m >= 0;
         m = grouping.nextMember[static_cast<std::size_t>(m)])
        members.push_back(m);
    return members;
}

}  // namespace korvex
