#pragma once

#include <string>
#include <vector>

#include "core/frame/CanObj.h"
#include "share/ControlListBase.h"

namespace korvex::test {

// A frame sink that records what producers hand it, in call order. Operations
// producers never use record nothing and answer 0.
class RecordingSink : public CDataShowBase {
  public:
    struct Added {
        _VCI_CAN_OBJ frame;
        int received;
    };

    std::vector<std::string> calls;  // "SetCapacity(5)", "AddFrames", "Redraw"
    std::vector<Added> added;
    int capacity = -1;

    void SetCapacity(int count) override {
        capacity = count;
        added.clear();
        calls.push_back("SetCapacity(" + std::to_string(count) + ")");
    }
    void AddFrames(_VCI_CAN_OBJ* frames, int count, int received) override {
        for (int i = 0; i < count; ++i) {
            _VCI_CAN_OBJ f = frames[i];
            if (received == 0) f.SendType = kSendTypeTransmitted;
            added.push_back({f, received});
        }
        calls.push_back("AddFrames");
    }
    void Redraw() override { calls.push_back("Redraw"); }

    void SetBackColor(int, COLORREF) override {}
    void SetColumnTextColor(int, int, COLORREF) override {}
    void AddColorRule(const OBJKEY*, COLORREF) override {}
    void ClearColorRules() override {}
    int InsertColumn(int, const char*, int, int) override { return 1; }
    int ListCommand(int, ...) override { return 0; }
    void SetColumnCaption(int, const char*) override {}
    int IsBusy() override { return 0; }
    void GetSelectedFrames(std::vector<_VCI_CAN_OBJ>&) override {}
    int SelectRow(int) override { return 1; }
    int IsRealTimeSaving() override { return 0; }
    void ToggleRealTimeSave() override {}
    void ExportToFile() override {}
    void ClearList() override {}
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

}  // namespace korvex::test
