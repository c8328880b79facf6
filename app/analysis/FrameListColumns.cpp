#include "app/analysis/FrameListColumns.h"

#include "app/framelist/KorvexList.h"
#include "app/framelist/KorvexListModel.h"

namespace korvex {

std::vector<FrameListColumn> FrameListColumns(CKorvexList& list) {
    std::vector<FrameListColumn> columns;
    if (const auto* model = qobject_cast<const CKorvexListModel*>(list.CFlatTableView::model())) {
        for (const CKorvexListColum& c : model->Columns())
            columns.push_back({c.caption, c.itemIndex, c.width});
    }
    return columns;
}

}  // namespace korvex
