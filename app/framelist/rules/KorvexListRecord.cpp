#include "app/framelist/rules/KorvexListRecord.h"

CKorvexListRecord::CKorvexListRecord(int columnCount, std::uint32_t param1, std::uint32_t param2)
    : createParam1(param1), createParam2(param2) {
    Rebuild(columnCount);
}

void CKorvexListRecord::Rebuild(int count) {
    columnCount = std::max(count, 0);
    columnColors.assign(static_cast<std::size_t>(columnCount), kDefaultTextColor);
    colorRules.assign(static_cast<std::size_t>(columnCount), {});
}

void CKorvexListRecord::SetColumnColor(int column, COLORREF color) {
    if (column >= 0 && column < columnCount) columnColors[static_cast<std::size_t>(column)] = color;
}

void CKorvexListRecord::AddColorRule(const OBJKEY& key, COLORREF color) {
    if (key.icolInd < 0 || key.icolInd >= columnCount) return;
    colorRules[static_cast<std::size_t>(key.icolInd)].push_back({key, color});
}

void CKorvexListRecord::ClearColorRules() {
    for (std::vector<ColorRule>& rules : colorRules) rules.clear();
}

COLORREF CKorvexListRecord::ForeColor(int column, const _VCI_CAN_OBJ& frame,
                                      IsOBJKeyEqualFn isOBJKeyEqual) const {
    if (column < 0 || column >= columnCount) return kDefaultTextColor;
    const auto c = static_cast<std::size_t>(column);
    if (isOBJKeyEqual) {
        for (const ColorRule& rule : colorRules[c]) {
            if (isOBJKeyEqual(&rule.key, &frame) != 0) return rule.color;
        }
    }
    return columnColors[c];
}

bool CKorvexListRecord::Cell(int row, int column, const CKorvexListCellContext& context,
                             _VCI_CAN_OBJ& frame, CKorvexListCell& cell) {
    if (!frameStore.Get(row, &frame)) return false;
    korvex::FormatCellText(row, frame, column, context.rowText, cell.text);
    cell.backColor = backColor;
    cell.foreColor = ForeColor(column, frame, context.isOBJKeyEqual);
    return true;
}
