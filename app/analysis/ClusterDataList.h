#pragma once

#include <string>
#include <vector>

#include "app/analysis/rules/ClusterResult.h"
#include "app/common/FlatTableView.h"

class CClusterRecord;
class IMessageWindow;

// The classification result list (pane 3073): one row per group head, the
// members of an unfolded group under it. A double-click unfolds or folds a
// group, or sends the owner to the frame (message 0x4CD); a click in the
// first column's tree indent unfolds or folds too.
class CClusterDataList : public CFlatTableView {
    Q_OBJECT

  public:
    static constexpr std::uint32_t kMenu = 25100;
    static constexpr std::uint32_t kCmdClear = 32800;
    static constexpr std::uint32_t kCmdExport = 32801;

    explicit CClusterDataList(QWidget* parent = nullptr);
    ~CClusterDataList() override;

    // The child frame that answers 0x4CD.
    void SetOwner(IMessageWindow* window) { owner = window; }
    // Runs a classification and shows it; the columns of the frame list come
    // with it: their captions, the context of the texts the grouping compares
    // (FormatCellText's) and the texts the list and its export show (made
    // when asked for).
    void Run(CCycleBuffer<_VCI_CAN_OBJ>& store, const std::vector<std::int32_t>& columns,
             std::vector<std::string> captions, const korvex::ExportRowContext& groupContext,
             korvex::ClusterCellTextFn shownText);
    // The frame list's captions changed (a new language): the header follows.
    void TakeCaptions(std::vector<std::string> captions);

    // The frame list's column captions and widths, taken before the list is
    // first shown so that its columns match the frame list's.
    void TakeColumns(std::vector<std::string> captions, const std::vector<int>& widths);
    // A column narrower than the frame list's width for it grows to that.
    void WidenColumns(const std::vector<int>& widths);

    const korvex::CClusterResult& Result() const { return result; }
    CClusterRecord* Record() const { return record; }
    // Width of one tree-indent level in pixels.
    int IndentWidth() const;

    void OnDoubleClick(int row);
    void OnCommand(std::uint32_t id);

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    // The width of a column for the frame list's width of it.
    int WidthFor(std::size_t column, int frameListWidth) const;
    // Takes the new row count with the list disabled, keeping `row` focused.
    void Reinstall(int row);
    void Export();

    korvex::CClusterResult result;
    CClusterRecord* record;
    IMessageWindow* owner = nullptr;
};
