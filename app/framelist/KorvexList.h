#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/common/FlatTableView.h"
#include "app/framelist/rules/KorvexListRecord.h"
#include "app/framelist/rules/RealTimeSave.h"
#include "core/FrameStoreHolder.h"
#include "share/ControlListBase.h"

class CKorvexGlobal;
class CKorvexListModel;
class IMessageWindow;
class QTimer;

// The frame list: a virtual table over the frame store of its one record,
// reached by everybody else through CDataShowBase. A data file's records may
// become its frame store in place (CFrameStoreHolder). Producers may call
// SetCapacity, AddFrames and Redraw from the upload's worker thread; those
// touch only the locked store, the real-time save and atomics, and post what
// concerns the window to the user-interface thread. Every other operation is
// for the user-interface thread.
class CKorvexList : public CFlatTableView, public CDataShowBase, public CFrameStoreHolder {
    Q_OBJECT

  public:
    explicit CKorvexList(CKorvexGlobal& global, QWidget* parent = nullptr);
    ~CKorvexList() override;

    void SetBackColor(int row, COLORREF color) override;
    void SetColumnTextColor(int column, int unused, COLORREF color) override;
    void AddColorRule(const OBJKEY* key, COLORREF color) override;
    void ClearColorRules() override;
    int InsertColumn(int index, const char* caption, int width, int unused) override;
    int ListCommand(int code, ...) override;
    void Redraw() override;
    void SetColumnCaption(int column, const char* caption) override;
    int IsBusy() override { return 0; }
    void AddFrames(_VCI_CAN_OBJ* frames, int count, int received) override;
    void GetSelectedFrames(std::vector<_VCI_CAN_OBJ>& out) override;
    int SelectRow(int row) override;
    int IsRealTimeSaving() override { return rtSave.IsActive(); }
    void ToggleRealTimeSave() override;
    void ExportToFile() override;
    void ClearList() override;
    void SetCapacity(int count) override;
    void SelectRowAndShow(int row) override;
    void CopySelectedRows() override;
    void RefreshAndScroll(int scroll) override;
    int GetSelectedCount() override;
    BOOL CreateList(unsigned int id, std::uint32_t param1, std::uint32_t param2,
                    CWnd* parent) override;
    BOOL ShowList(int cmd) override;
    CWnd* SetListParent(CWnd* parent) override;
    CWnd* GetListParent() override;
    void MoveList(int x, int y, int cx, int cy) override;
    // None while the real-time save runs: that file takes every frame
    // through AddFrames.
    CCycleBuffer<_VCI_CAN_OBJ>* HeldFrameStore() override {
        return rtSave.IsActive() != 0 ? nullptr : &Record().frameStore;
    }

    // The window that status texts go to (message 0x469); none by default.
    // wParam points at a text the list keeps until its next status text.
    void SetMessageWindow(IMessageWindow* window) { messageWindow = window; }
    // Handles a command of the context menu (also routed from the main menu).
    void OnCommand(std::uint32_t id);
    // Writes out and closes the real-time file. At program end the shell calls
    // it once the uploads' workers have handed their frames over.
    void EndRealTimeSave();
    // Saving stopped on a failed write: the user is told which file and why.
    void OnRealTimeSaveFailed(const std::string& path, int error);

    // The record, created on first need; the model draws its cells from it.
    CKorvexListRecord& Record();
    // What a cell needs besides the record, for the current settings.
    CKorvexListCellContext CellContext();
    std::string RealTimePath() { return rtSave.Path(); }
    long long RealTimeCount() { return rtSave.Count(); }
    unsigned int ControlId() const { return controlId; }

  signals:
    // Emitted on the user-interface thread each time the list redraws.
    void redrawn();
    // The context menu's "搜索...": whoever holds the search pane shows it.
    void searchRequested();
    // The context menu's "分类": whoever holds the classification pane shows it.
    void classifyRequested();
    // The context menu's "位活动...": the Bits view of the current row's
    // identifier, when the row is a data frame.
    void bitsRequested(std::uint32_t id, bool extended);

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Selected rows as sorted, merged, half-open ranges [first, end).
    std::vector<std::pair<int, int>> SelectedRowRanges() const;
    std::vector<std::string> Captions() const;
    void ShowContextMenu();
    void SetTimeShowType(std::uint8_t type);
    void PostStatusText(const std::string& text);
    // Widens the row-number column to the widest row number of the current
    // capacity, or narrows it back to the plug-in's width as long as the
    // user has not resized it.
    void FitRowNumberColumn();
    // Widens the format or type column, and the width the lists that follow
    // take for it, to the wider of the plug-in's two words in the language of
    // now, where its width would cut one off.
    void FitWordColumn(int column);
    // What the delegate leaves beside an item's text.
    int TextMargins() const;
    // Runs `work` now when called on the user-interface thread, else posts it.
    template <typename Work>
    void OnWindowThread(Work work);

    CKorvexGlobal& global;
    CKorvexListModel* listModel;
    IMessageWindow* messageWindow = nullptr;
    std::string statusText;  // the text the last status message points at
    unsigned int controlId = 0;

    std::atomic<CKorvexListRecord*> record{nullptr};
    std::unique_ptr<CKorvexListRecord> ownedRecord;
    std::mutex recordLock;  // creation of the record only
    std::atomic<int> columnCount{0};
    std::atomic<std::uint8_t> newFrames{0};
    std::atomic<int> capacity{0};
    int fittedRowWidth = -1;  // the width FitRowNumberColumn gave last
    std::uint32_t createParam2 = 0;
    std::uint32_t createParam1 = 0;
    CRealTimeSave rtSave;
    QTimer* rtSyncTimer;
};
