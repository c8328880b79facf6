#include "app/analysis/rules/ClusterResult.h"

#include <algorithm>

#include "app/analysis/rules/ClusterTextTable.h"
#include "core/FrameRowText.h"

namespace korvex {

void CClusterResult::Run(CCycleBuffer<_VCI_CAN_OBJ>& store,
                         const std::vector<std::int32_t>& columns,
                         const ClusterCellTextFn& cellText) {
    std::vector<_VCI_CAN_OBJ> snapshot;
    const int count = store.GetCount();
    snapshot.reserve(static_cast<std::size_t>(std::max(count, 0)));
    _VCI_CAN_OBJ frame{};
    for (int i = 0; i < count && store.Get(i, &frame); ++i) snapshot.push_back(frame);
    Run(std::move(snapshot), columns, cellText);
}

void CClusterResult::Run(std::vector<_VCI_CAN_OBJ> snapshot,
                         const std::vector<std::int32_t>& columns,
                         const ClusterCellTextFn& cellText) {
    frames = std::move(snapshot);
    grouping = {};
    rows.clear();
    if (columns.empty() || columns.front() == 0) {
        rows.resize(frames.size());
        for (std::size_t f = 0; f < frames.size(); ++f)
            rows[f].frame = static_cast<std::int32_t>(f);
        return;
    }

    std::vector<std::vector<std::uint32_t>> columnIds(columns.size());
    std::string text;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        CClusterTextTable table;
        std::vector<std::uint32_t>& ids = columnIds[c];
        ids.resize(frames.size());
        for (std::size_t f = 0; f < frames.size(); ++f) {
            cellText(columns[c], static_cast<long long>(f), frames[f], text);
            ids[f] = table.Intern(text);
        }
    }
    GroupClusterFrames(columnIds, frames, grouping);
    rows.resize(grouping.groups.size());
    for (std::size_t g = 0; g < grouping.groups.size(); ++g) {
        rows[g].frame = grouping.groups[g].headFrame;
        rows[g].group = static_cast<std::int32_t>(g);
    }
}

void CClusterResult::Clear() {
    frames.clear();
    frames.shrink_to_fit();
    grouping = {};
    rows.clear();
    rows.shrink_to_fit();
}

std::int32_t CClusterResult::MemberCount(const ClusterRow& row) const {
    if (!row.head || row.group < 0) return 0;
    return grouping.groups[static_cast<std::size_t>(row.group)].memberCount;
}

bool CClusterResult::Uniform(const ClusterRow& row) const {
    return row.group < 0 || grouping.groups[static_cast<std::size_t>(row.group)].uniform != 0;
}

void CClusterResult::RowText(std::size_t r, int column, const ClusterCellTextFn& cellText,
                             std::string& text) const {
    text.clear();
    if (r >= rows.size()) return;
    const ClusterRow& row = rows[r];
    if (column == 0) {
        FormatRowNumber(row.frame, text);
        if (row.head) {
            text += '(';
            text += std::to_string(MemberCount(row) + 1);
            text += ')';
        }
        return;
    }
    cellText(column, row.frame, frames[static_cast<std::size_t>(row.frame)], text);
}

bool CClusterResult::Highlighted(std::size_t r) const {
    if (r >= rows.size()) return false;
    const ClusterRow& row = rows[r];
    return MemberCount(row) > 0 && !Uniform(row);
}

bool CClusterResult::Toggle(std::size_t r) {
    if (r >= rows.size()) return false;
    ClusterRow& row = rows[r];
    const std::int32_t count = MemberCount(row);
    if (count == 0) return false;
    const auto at = rows.begin() + static_cast<std::ptrdiff_t>(r) + 1;
    if (row.unfolded) {
        row.unfolded = 0;
        rows.erase(at, at + count);
        return true;
    }
    row.unfolded = 1;
    const std::int32_t group = row.group;
    std::vector<ClusterRow> members;
    members.reserve(static_cast<std::size_t>(count));
    const ClusterGroup& g = grouping.groups[static_cast<std::size_t>(group)];
    for (std::int32_t m : ClusterMembers(grouping, group)) {
        ClusterRow member;
        member.frame = m;
        member.group = group;
        member.head = 0;
        member.last = m == g.lastMember;
        members.push_back(member);
    }
    rows.insert(at, members.begin(), members.end());
    return true;
}

void CClusterResult::UnfoldAll() {
    std::vector<ClusterRow> all;
    all.reserve(frames.size());
    for (const ClusterRow& row : rows) {
        if (!row.head) continue;
        all.push_back(row);
        if (MemberCount(row) == 0) continue;
        all.back().unfolded = 1;
        const ClusterGroup& group = grouping.groups[static_cast<std::size_t>(row.group)];
        for (std::int32_t m = group.firstMember; m >= 0;
             m = grouping.nextMember[static_cast<std::size_t>(m)]) {
            ClusterRow member;
            member.frame = m;
            member.group = row.group;
            member.head = 0;
            member.last = m == group.lastMember;
            all.push_back(member);
        }
    }
    rows = std::move(all);
}

ClusterClick CClusterResult::DoubleClick(std::size_t r) {
    ClusterClick click;
    if (r >= rows.size()) return click;
    if (Toggle(r)) {
        click.kind = ClusterClick::kToggled;
    } else {
        click.kind = ClusterClick::kGoToFrame;
        click.frame = rows[r].frame;
    }
    return click;
}

bool CClusterResult::IndentClick(std::size_t r, int column, int x, int indentWidth) {
    if (column != 0 || x < 0 || x >= 2 * indentWidth) return false;
    return Toggle(r);
}

bool CClusterResult::WriteExport(std::FILE* out, const std::vector<std::string>& captions,
                                 const ClusterCellTextFn& cellText) const {
    std::string block;
    AppendHeaderLine(block, captions);
    std::string field;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < captions.size(); ++c) {
            RowText(r, static_cast<int>(c), cellText, field);
            block += field;
            block += '\t';
        }
        block += "\r\n";
        // Written in blocks so a long result never sits whole in memory.
        if (block.size() >= (1u << 16)) {
            if (std::fwrite(block.data(), 1, block.size(), out) != block.size()) return false;
            block.clear();
        }
    }
    if (std::fwrite(block.data(), 1, block.size(), out) != block.size()) return false;
    return std::fflush(out) == 0;
}

ClusterExportStatus CClusterResult::WriteExportFile(const std::filesystem::path& path,
                                                    const std::vector<std::string>& captions,
                                                    const ClusterCellTextFn& cellText) const {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return ClusterExportStatus::kCannotCreate;
    const bool written = WriteExport(file, captions, cellText);
    const bool closed = std::fclose(file) == 0;
    return written && closed ? ClusterExportStatus::kOk : ClusterExportStatus::kWriteFailed;
}

}  // namespace korvex
