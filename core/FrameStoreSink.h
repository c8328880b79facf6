#pragma once

#include <string>
#include <vector>

#include "core/FrameStoreHolder.h"
#include "core/frame/CanObj.h"
#include "core/frame/CycleBuffer.h"
#include "share/ControlListBase.h"

// A frame list without a window: it keeps the frame store and the column
// captions that the plug-in gives it, and nothing else. The command-line tool
// and the benchmarks load frames through it exactly as the frame list does.
class CFrameStoreSink : public CDataShowBase, public CFrameStoreHolder {
  public:
    CCycleBuffer<_VCI_CAN_OBJ> frameStore;
    std::vector<std::string> captions;  // column captions in column order

    CCycleBuffer<_VCI_CAN_OBJ>* HeldFrameStore() override { return &frameStore; }
    void SetCapacity(int count) override;
    void AddFrames(_VCI_CAN_OBJ* frames, int count, int received) override;
    void Redraw() override {}
    int InsertColumn(int index, const char* caption, int width, int unused) override;
    int ListCommand(int code, ...) override;
    void SetColumnCaption(int column, const char* caption) override;

    void SetBackColor(int, COLORREF) override {}
    void SetColumnTextColor(int, int, COLORREF) override {}
    void AddColorRule(const OBJKEY*, COLORREF) override {}
    void ClearColorRules() override {}
    int IsBusy() override { return 0; }
    void GetSelectedFrames(std::vector<_VCI_CAN_OBJ>&) override {}
    int SelectRow(int) override { return 1; }
    int IsRealTimeSaving() override { return 0; }
    void ToggleRealTimeSave() override {}
    void ExportToFile() override {}
    void ClearList() override { frameStore.Clear(); }
    void SelectRowAndShow(int) override {}
    void CopySelectedRows() override {}
    void RefreshAndScroll(int) override {}
    int GetSelectedCount() override { return 0; }
    BOOL CreateList(unsigned int, std::uint32_t, std::uint32_t, CWnd*) override { return 1; }
    BOOL ShowList(int) override { return 1; }
    CWnd* SetListParent(CWnd*) override { return nullptr; }
    CWnd* GetListParent() override { return nullptr; }
    void MoveList(int, int, int, int) override {}
};
