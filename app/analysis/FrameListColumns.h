#pragma once

#include <string>
#include <vector>

class CKorvexList;

namespace korvex {

// One column of the frame list as the search sees it: its caption and the
// item index that chooses its cells' text.
struct FrameListColumn {
    std::string caption;
    int itemIndex = 0;
    int width = 0;
};

// The frame list's columns in column order.
std::vector<FrameListColumn> FrameListColumns(CKorvexList& list);

}  // namespace korvex
