#pragma once

#include <vector>

#include "core/frame/CanObj.h"
#include "share/WinTypes.h"

struct OBJKEY;

// What the plug-in sees of a frame list: columns, captions and colours.
// The slot order is part of the contract with the plug-in; do not reorder.
class CControlListBase {
  public:
    virtual void SetBackColor(int row, COLORREF color) = 0;                               // 0
    virtual void SetColumnTextColor(int column, int unused, COLORREF color) = 0;          // 1
    virtual void AddColorRule(const OBJKEY* key, COLORREF color) = 0;                     // 2
    virtual void ClearColorRules() = 0;                                                   // 3
    virtual int InsertColumn(int index, const char* caption, int width, int unused) = 0;  // 4
    // 22: remove all columns; 23: rebuild the record; 24: IsRealTimeSaving.
    virtual int ListCommand(int code, ...) = 0;                          // 5
    virtual void Redraw() = 0;                                           // 6
    virtual void SetColumnCaption(int column, const char* caption) = 0;  // 7

  protected:
    ~CControlListBase() = default;
};

// The whole frame-list interface: producers hand frames through it, the shell
// places it, the analysis windows select rows and read frames through it.
class CDataShowBase : public CControlListBase {
  public:
    virtual ~CDataShowBase() = default;  // 8
    virtual int IsBusy() = 0;            // 9
    // received = 0: the frames were transmitted; the sink marks them SendType 0xFF.
    virtual void AddFrames(_VCI_CAN_OBJ* frames, int count, int received) = 0;  // 10
    virtual void GetSelectedFrames(std::vector<_VCI_CAN_OBJ>& out) = 0;         // 11
    virtual int SelectRow(int row) = 0;                                         // 12
    virtual int IsRealTimeSaving() = 0;                                         // 13
    virtual void ToggleRealTimeSave() = 0;                                      // 14
    virtual void ExportToFile() = 0;                                            // 15
    virtual void ClearList() = 0;                                               // 16
    // Empties the frame store and sets its capacity to `count` frames.
    virtual void SetCapacity(int count) = 0;        // 17
    virtual void SelectRowAndShow(int row) = 0;     // 18
    virtual void CopySelectedRows() = 0;            // 19
    virtual void RefreshAndScroll(int scroll) = 0;  // 20
    virtual int GetSelectedCount() = 0;             // 21
    virtual BOOL CreateList(unsigned int id, std::uint32_t param1, std::uint32_t param2,
                            CWnd* parent) = 0;                // 22
    virtual BOOL ShowList(int cmd) = 0;                       // 23
    virtual CWnd* SetListParent(CWnd* parent) = 0;            // 24
    virtual CWnd* GetListParent() = 0;                        // 25
    virtual void MoveList(int x, int y, int cx, int cy) = 0;  // 26
};
