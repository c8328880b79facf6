#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/analysis/rules/SearchResults.h"
#include "app/common/FlatTableView.h"
#include "core/FileWriteProblem.h"

class CKorvexGlobal;
class CKorvexList;
class IMessageWindow;

namespace korvex {

class CSearchListCtrl;

// The result list's owner-data model: as many rows as the list's item count,
// every text made when the view asks for it.
class CSearchListModel final : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit CSearchListModel(CSearchListCtrl& list);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Announces the rows of the list's item count: appended rows as inserted,
    // anything else as a reset.
    void SyncRows(bool reset);
    void SetCaptions(std::vector<std::string> captions);

  private:
    CSearchListCtrl& list;
    int rows = 0;
    std::vector<std::string> captions;
};

// The search-result list: the hits of the frame list's data set with the
// frame list's columns and cell texts. Right button: clear or export; a
// double-click selects the hit's frame in the frame list.
class CSearchListCtrl final : public CFlatTableView {
    Q_OBJECT

  public:
    static constexpr std::uint32_t kCmdClear = 32800;
    static constexpr std::uint32_t kCmdExport = 32801;
    static constexpr std::uint32_t kContextMenu = 135;
    static constexpr int kSubMenuResults = 6;  // the second "rcrdlist"
    // Status text on pane 1 of the main window; wParam points at the text.
    static constexpr unsigned kMsgSearchStatus = 0x46A;
    // Select frame wParam in the frame list.
    static constexpr unsigned kMsgGotoFrame = 0x4CD;

    CSearchListCtrl(CKorvexGlobal& global, CKorvexList& frameList, QWidget* parent = nullptr);

    CSearchResults& Results() { return results; }
    const CSearchResults& Results() const { return results; }
    CKorvexList& FrameList() const { return frameList; }
    CSearchListModel& Model() const { return *model; }

    // The window of the status text (asked for at each text, since the list
    // may be made before its main window exists) and the one that goes to a
    // frame.
    void SetMessageWindow(std::function<IMessageWindow*()> window) {
        messageWindow = std::move(window);
    }
    void SetFrameWindow(IMessageWindow* window) { frameWindow = window; }

    // Copies the frame list's captions and widths; done again whenever the
    // frame list's columns change.
    void TakeCaptions();
    // Sends "搜索到帧数 ：n" to the main window.
    void PostStatusText(int count);

    // Context-menu commands.
    void OnCommand(std::uint32_t id);
    void ClearResults();
    void ExportToFile();
    // The export's text into `path`; false when the file cannot be written.
    bool WriteExport(const std::string& path, FileWriteProblem& problem);

    // The text of item `row` in column position `column`.
    bool CellText(int row, int column, std::string& text) const;

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    CKorvexGlobal& global;
    CKorvexList& frameList;
    CSearchListModel* model;
    CSearchResults results;
    std::vector<int> itemIndices;  // per column position
    std::function<IMessageWindow*()> messageWindow;
    IMessageWindow* frameWindow = nullptr;
    std::string statusText;  // what the last status message points at
};

}  // namespace korvex
