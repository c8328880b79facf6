#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/FrameRowText.h"
#include "core/frame/CanObj.h"
#include "core/frame/CycleBuffer.h"
#include "share/ObjKey.h"
#include "share/SettingsTypes.h"
#include "share/WinTypes.h"

// The plug-in's key match: non-zero when frame matches key.
using IsOBJKeyEqualFn = int (*)(const OBJKEY* key, const _VCI_CAN_OBJ* frame);

// What one cell shows.
struct CKorvexListCell {
    std::string text;
    COLORREF foreColor = 0;
    COLORREF backColor = 0;
};

// What the cells need besides the record: the texts' context and the key match.
struct CKorvexListCellContext {
    korvex::ExportRowContext rowText;
    IsOBJKeyEqualFn isOBJKeyEqual = nullptr;
};

// The one record that serves every row of the frame list: the frame store,
// the background, the column colours and the colour rules. Row i shows the
// i-th oldest stored frame. Without Qt, so that its rules are tested alone.
class CKorvexListRecord {
  public:
    static constexpr COLORREF kDefaultBackColor = 0x00FFFFFF;
    static constexpr COLORREF kDefaultTextColor = 0x00000000;

    CKorvexListRecord(int columnCount, std::uint32_t param1, std::uint32_t param2);
    CKorvexListRecord(const CKorvexListRecord&) = delete;
    CKorvexListRecord& operator=(const CKorvexListRecord&) = delete;

    // Sets columnCount, a fresh colour for every column and no rules.
    void Rebuild(int columnCount);
    // A column outside the record is ignored.
    void SetColumnColor(int column, COLORREF color);
    // A rule for a column outside the record is dropped.
    void AddColorRule(const OBJKEY& key, COLORREF color);
    void ClearColorRules();

    // The text colour of column `column` for frame: the first matching rule's
    // colour, else the column's colour.
    COLORREF ForeColor(int column, const _VCI_CAN_OBJ& frame, IsOBJKeyEqualFn isOBJKeyEqual) const;

    // The cell of row `row` and item index `column`, its frame copied into
    // `frame`. False, leaving both as they are, when the row has no frame.
    bool Cell(int row, int column, const CKorvexListCellContext& context, _VCI_CAN_OBJ& frame,
              CKorvexListCell& cell);

    COLORREF backColor = kDefaultBackColor;
    std::int32_t columnCount = 0;
    std::vector<COLORREF> columnColors;
    // Per column, in the order added; each key (with its pBuf) is the list's own copy.
    std::vector<std::vector<ColorRule>> colorRules;
    CCycleBuffer<_VCI_CAN_OBJ> frameStore;
    std::uint32_t createParam1 = 0;
    std::uint32_t createParam2 = 0;
};
