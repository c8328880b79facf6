#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/analysis/rules/ClusterGrouping.h"
#include "core/FrameRowText.h"
#include "core/frame/CanObj.h"
#include "core/frame/CycleBuffer.h"

namespace korvex {

// One row of the result list: a group head, or a member shown under its
// unfolded head.
struct ClusterRow {
    std::int32_t frame = 0;   // position in the snapshot = data-set index
    std::int32_t group = -1;  // the group of a head; -1 for a frame that is its own group
    std::uint8_t head = 1;
    std::uint8_t last = 0;  // on the row of a group's last member
    std::uint8_t unfolded = 0;
};

// What a double-click on a row asks for.
struct ClusterClick {
    enum Kind { kNothing, kToggled, kGoToFrame } kind = kNothing;
    std::int32_t frame = -1;
};

enum class ClusterExportStatus { kOk, kCannotCreate, kWriteFailed };

// A classification run and the result list it shows: the snapshot of the
// frame store, the groups and the visible rows. Everything the result list
// shows comes from the snapshot, not the live store, until the next run.
class CClusterResult {
  public:
    // Message the result list's owner gets to show a frame in the frame list.
    static constexpr std::uint32_t kGoToFrameMessage = 0x4CD;

    // A snapshot of `store` (a view of the frames it holds, oldest first),
    // then the grouping by the texts of the chosen columns (GroupClusterFrames,
    // split over the cores as `split` says). No column, or column 0 first,
    // makes every frame a group of its own. False, with an empty result,
    // when split's cancel ended it.
    bool Run(CCycleBuffer<_VCI_CAN_OBJ>& store, const std::vector<std::int32_t>& columns,
             const ClusterCellTextFn& cellText, const PassSplit& split = {});
    // The same by the frame list's texts of `context`, grouping by the
    // frame's fields where they decide the texts (GroupClusterFrames).
    bool Run(CCycleBuffer<_VCI_CAN_OBJ>& store, const std::vector<std::int32_t>& columns,
             const ExportRowContext& context, const PassSplit& split = {});
    // The same on frames already copied.
    bool Run(const std::vector<_VCI_CAN_OBJ>& frames, const std::vector<std::int32_t>& columns,
             const ClusterCellTextFn& cellText, const PassSplit& split = {});
    void Clear();

    // Until a group is unfolded the rows are the groups, and no row is kept.
    std::size_t RowCount() const { return rowsMade ? rows.size() : GroupCount(); }
    ClusterRow Row(std::size_t r) const { return rowsMade ? rows[r] : HeadRow(r); }
    const FrameView& Frames() const { return frames; }
    const ClusterGrouping& Grouping() const { return grouping; }
    std::size_t GroupCount() const {
        return everyFrameAGroup ? static_cast<std::size_t>(frames.Count()) : grouping.Count();
    }
    std::int32_t MemberCount(const ClusterRow& row) const;
    bool Uniform(const ClusterRow& row) const;

    // Column 0: the frame index, on a head followed by "(%d)" with the group's
    // frame count; any other column: the frame list's text. Empty past the end.
    void RowText(std::size_t r, int column, const ClusterCellTextFn& cellText,
                 std::string& text) const;
    // A head of a group with members that are not all identical to it.
    bool Highlighted(std::size_t r) const;

    // Unfolds or folds the head at r when its group has members.
    bool Toggle(std::size_t r);
    // Every group unfolded, in one pass.
    void UnfoldAll();
    ClusterClick DoubleClick(std::size_t r);
    // Left button released at x pixels from the left edge of the cell in
    // `column`: within two indent levels of column 0 it folds or unfolds.
    bool IndentClick(std::size_t r, int column, int x, int indentWidth);

    // The rows as shown: the header line of captions, then for each row the
    // text of every column, each followed by a tab, and "\r\n". The lines are
    // made over the cores as `split` says and written in row order.
    bool WriteExport(std::FILE* out, const std::vector<std::string>& captions,
                     const ClusterCellTextFn& cellText, const PassSplit& split = {}) const;
    ClusterExportStatus WriteExportFile(const std::filesystem::path& path,
                                        const std::vector<std::string>& captions,
                                        const ClusterCellTextFn& cellText,
                                        const PassSplit& split = {}) const;
    // The same with the frame list's texts of `context`: a column whose text
    // follows from the frame's fields (CCellFields) is written from them, any
    // other appended to its line as it is made (AppendCellText).
    bool WriteExport(std::FILE* out, const std::vector<std::string>& captions,
                     const ExportRowContext& context, const PassSplit& split = {}) const;

  private:
    // Run with group(frames, grouping) making the groups.
    template <typename Group>
    bool RunGrouping(CCycleBuffer<_VCI_CAN_OBJ>& store, const std::vector<std::int32_t>& columns,
                     Group group);
    ClusterRow HeadRow(std::size_t group) const;
    // Column 0's text of row, appended to out.
    void AppendFrameIndex(const ClusterRow& row, std::string& out) const;
    // The header line, then each row's line: column 0, then the others from
    // appendCell(frame index, frame, column, line).
    template <typename AppendCell>
    bool WriteLines(std::FILE* out, const std::vector<std::string>& captions,
                    const PassSplit& split, AppendCell appendCell) const;
    // The rows kept from the first fold or unfold on.
    void MakeRows();

    FrameView frames;
    bool everyFrameAGroup = false;
    ClusterGrouping grouping;
    bool rowsMade = false;
    std::vector<ClusterRow> rows;
};

}  // namespace korvex
