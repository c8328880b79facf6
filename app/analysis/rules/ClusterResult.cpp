#include "app/analysis/rules/ClusterResult.h"

#include <algorithm>

#include "app/analysis/rules/CellFields.h"

namespace korvex {

template <typename Group>
bool CClusterResult::RunGrouping(CCycleBuffer<_VCI_CAN_OBJ>& store,
                                 const std::vector<std::int32_t>& columns, Group group) {
    Clear();
    frames = store.View();
    if (columns.empty() || columns.front() == 0) {
        everyFrameAGroup = true;
        return true;
    }
    if (group(frames, grouping)) return true;
    Clear();
    return false;
}

bool CClusterResult::Run(CCycleBuffer<_VCI_CAN_OBJ>& store,
                         const std::vector<std::int32_t>& columns,
                         const ClusterCellTextFn& cellText, const PassSplit& split) {
    return RunGrouping(store, columns, [&](const FrameView& view, ClusterGrouping& out) {
        return GroupClusterFrames(view, columns, cellText, split, out);
    });
}

bool CClusterResult::Run(CCycleBuffer<_VCI_CAN_OBJ>& store,
                         const std::vector<std::int32_t>& columns, const ExportRowContext& context,
                         const PassSplit& split) {
    return RunGrouping(store, columns, [&](const FrameView& view, ClusterGrouping& out) {
        return GroupClusterFrames(view, columns, context, split, out);
    });
}

bool CClusterResult::Run(const std::vector<_VCI_CAN_OBJ>& snapshot,
                         const std::vector<std::int32_t>& columns,
                         const ClusterCellTextFn& cellText, const PassSplit& split) {
    CCycleBuffer<_VCI_CAN_OBJ> store;
    store.Reset(static_cast<int>(snapshot.size()));
    store.PushRun(snapshot.data(), static_cast<int>(snapshot.size()));
    return Run(store, columns, cellText, split);
}

void CClusterResult::Clear() {
    frames = {};
    everyFrameAGroup = false;
    grouping = {};
    rowsMade = false;
    rows.clear();
    rows.shrink_to_fit();
}

ClusterRow CClusterResult::HeadRow(std::size_t group) const {
    ClusterRow row;
    if (everyFrameAGroup) {
        row.frame = static_cast<std::int32_t>(group);
    } else {
        row.frame = grouping.heads[group];
        row.group = static_cast<std::int32_t>(group);
    }
    return row;
}

void CClusterResult::MakeRows() {
    if (rowsMade) return;
    rows.resize(GroupCount());
    for (std::size_t g = 0; g < rows.size(); ++g) rows[g] = HeadRow(g);
    rowsMade = true;
}

std::int32_t CClusterResult::MemberCount(const ClusterRow& row) const {
    if (!row.head || row.group < 0) return 0;
    return grouping.MemberCount(static_cast<std::size_t>(row.group));
}

bool CClusterResult::Uniform(const ClusterRow& row) const {
    return row.group < 0 || grouping.Uniform(static_cast<std::size_t>(row.group));
}

void CClusterResult::AppendFrameIndex(const ClusterRow& row, std::string& out) const {
    AppendRowNumber(out, row.frame);
    if (!row.head) return;
    out += '(';
    AppendRowNumber(out, MemberCount(row) + 1);
    out += ')';
}

void CClusterResult::RowText(std::size_t r, int column, const ClusterCellTextFn& cellText,
                             std::string& text) const {
    text.clear();
    if (r >= RowCount()) return;
    const ClusterRow row = Row(r);
    if (column == 0) {
        AppendFrameIndex(row, text);
        return;
    }
    cellText(column, row.frame, frames[row.frame], text);
}

bool CClusterResult::Highlighted(std::size_t r) const {
    if (r >= RowCount()) return false;
    const ClusterRow row = Row(r);
    return MemberCount(row) > 0 && !Uniform(row);
}

bool CClusterResult::Toggle(std::size_t r) {
    if (r >= RowCount() || MemberCount(Row(r)) == 0) return false;
    MakeRows();
    ClusterRow& row = rows[r];
    const std::int32_t count = MemberCount(row);
    const auto at = rows.begin() + static_cast<std::ptrdiff_t>(r) + 1;
    if (row.unfolded) {
        row.unfolded = 0;
        rows.erase(at, at + count);
        return true;
    }
    row.unfolded = 1;
    const std::int32_t group = row.group;
    const std::vector<std::int32_t> chain =
        ClusterMembers(grouping, static_cast<std::size_t>(group));
    std::vector<ClusterRow> members;
    members.reserve(chain.size());
    for (std::int32_t m : chain) {
        ClusterRow member;
        member.frame = m;
        member.group = group;
        member.head = 0;
        member.last = m == chain.back();
        members.push_back(member);
    }
    rows.insert(at, members.begin(), members.end());
    return true;
}

void CClusterResult::UnfoldAll() {
    std::vector<ClusterRow> all;
    all.reserve(static_cast<std::size_t>(frames.Count()));
    for (std::size_t r = 0; r < RowCount(); ++r) {
        const ClusterRow row = Row(r);
        if (!row.head) continue;
        all.push_back(row);
        if (MemberCount(row) == 0) continue;
        all.back().unfolded = 1;
        for (std::int32_t m = grouping.nextMember[static_cast<std::size_t>(row.frame)]; m >= 0;
             m = grouping.nextMember[static_cast<std::size_t>(m)]) {
            ClusterRow member;
            member.frame = m;
            member.group = row.group;
            member.head = 0;
            member.last = grouping.nextMember[static_cast<std::size_t>(m)] < 0;
            all.push_back(member);
        }
    }
    rows = std::move(all);
    rowsMade = true;
}

ClusterClick CClusterResult::DoubleClick(std::size_t r) {
    ClusterClick click;
    if (r >= RowCount()) return click;
    if (Toggle(r)) {
        click.kind = ClusterClick::kToggled;
    } else {
        click.kind = ClusterClick::kGoToFrame;
        click.frame = Row(r).frame;
    }
    return click;
}

bool CClusterResult::IndentClick(std::size_t r, int column, int x, int indentWidth) {
    if (column != 0 || x < 0 || x >= 2 * indentWidth) return false;
    return Toggle(r);
}

template <typename AppendCell>
bool CClusterResult::WriteLines(std::FILE* out, const std::vector<std::string>& captions,
                                const PassSplit& split, AppendCell appendCell) const {
    std::string header;
    AppendHeaderLine(header, captions);
    if (std::fwrite(header.data(), 1, header.size(), out) != header.size()) return false;
    // The lines of each block are made on all cores and written in order.
    struct Lines {
        std::string text;
    };
    const bool written = RunSplitPass<Lines>(
        static_cast<std::int64_t>(RowCount()), split,
        [&](std::int64_t begin, std::int64_t end, Lines& lines) {
            lines.text.clear();
            for (std::int64_t r = begin; r < end; ++r) {
                const ClusterRow row = Row(static_cast<std::size_t>(r));
                const _VCI_CAN_OBJ& frame = frames[row.frame];
                for (std::size_t c = 0; c < captions.size(); ++c) {
                    if (c == 0) {
                        AppendFrameIndex(row, lines.text);
                    } else {
                        appendCell(row.frame, frame, static_cast<int>(c), lines.text);
                    }
                    lines.text += '\t';
                }
                lines.text += "\r\n";
            }
        },
        [&](std::int64_t, std::int64_t, Lines& lines) {
            return std::fwrite(lines.text.data(), 1, lines.text.size(), out) == lines.text.size();
        });
    return written && std::fflush(out) == 0;
}

bool CClusterResult::WriteExport(std::FILE* out, const std::vector<std::string>& captions,
                                 const ClusterCellTextFn& cellText, const PassSplit& split) const {
    // One cell's text per thread, so that a cell costs no allocation.
    return WriteLines(
        out, captions, split,
        [&](std::int32_t index, const _VCI_CAN_OBJ& frame, int column, std::string& line) {
            thread_local std::string field;
            cellText(column, index, frame, field);
            line += field;
        });
}

bool CClusterResult::WriteExport(std::FILE* out, const std::vector<std::string>& captions,
                                 const ExportRowContext& context, const PassSplit& split) const {
    // A column whose text follows from the frame's fields is written from
    // them, without asking the plug-in.
    std::vector<CCellFields> fields;
    fields.reserve(captions.size());
    for (std::size_t c = 0; c < captions.size(); ++c)
        fields.emplace_back(static_cast<int>(c), context);
    return WriteLines(
        out, captions, split,
        [&](std::int32_t index, const _VCI_CAN_OBJ& frame, int column, std::string& line) {
            const CCellFields& made = fields[static_cast<std::size_t>(column)];
            if (made.GetKind() != CCellFields::Kind::kNone) {
                made.AppendText(frame, line);
            } else {
                AppendCellText(line, index, frame, column, context);
            }
        });
}

ClusterExportStatus CClusterResult::WriteExportFile(const std::filesystem::path& path,
                                                    const std::vector<std::string>& captions,
                                                    const ClusterCellTextFn& cellText,
                                                    const PassSplit& split) const {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return ClusterExportStatus::kCannotCreate;
    const bool written = WriteExport(file, captions, cellText, split);
    const bool closed = std::fclose(file) == 0;
    return written && closed ? ClusterExportStatus::kOk : ClusterExportStatus::kWriteFailed;
}

}  // namespace korvex
