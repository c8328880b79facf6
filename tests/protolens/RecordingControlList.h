#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "share/ControlListBase.h"
#include "share/ObjKey.h"

namespace protolens::test {

// A frame list that records every call the plug-in makes, in order, as text:
// "InsertColumn(3,帧ID,100,0)", "SetBackColor(-1,EBEBEB)", ...
class RecordingControlList : public CControlListBase {
  public:
    std::vector<std::string> calls;
    std::vector<OBJKEY> ruleKeys;  // copies of the keys handed to AddColorRule

    void SetBackColor(int row, COLORREF color) override {
        Record("SetBackColor(%d,%06X)", row, color);
    }
    void SetColumnTextColor(int column, int unused, COLORREF color) override {
        Record("SetColumnTextColor(%d,%d,%06X)", column, unused, color);
    }
    void AddColorRule(const OBJKEY* key, COLORREF color) override {
        ruleKeys.push_back(*key);
        Record("AddColorRule(%d,%06X)", key->icolInd, color);
    }
    void ClearColorRules() override { calls.push_back("ClearColorRules"); }
    int InsertColumn(int index, const char* caption, int width, int unused) override {
        Record("InsertColumn(%d,%s,%d,%d)", index, caption, width, unused);
        return 1;
    }
    int ListCommand(int code, ...) override {
        Record("ListCommand(%d)", code);
        return 0;
    }
    void Redraw() override { calls.push_back("Redraw"); }
    void SetColumnCaption(int column, const char* caption) override {
        Record("SetColumnCaption(%d,%s)", column, caption);
    }

  private:
    template <typename... Args>
    void Record(const char* format, Args... args) {
        char text[256];
        std::snprintf(text, sizeof text, format, args...);
        calls.emplace_back(text);
    }
};

}  // namespace protolens::test
