#pragma once

#include <string>

#include "app/analysis/rules/SearchConditions.h"
#include "app/analysis/rules/SearchResults.h"
#include "core/FrameRowText.h"
#include "core/frame/CanObj.h"
#include "core/frame/CycleBuffer.h"

namespace korvex {

enum class SearchStatus {
    kDone,
    kNoCondition,  // message 3070: nothing ticked
    kEmptyText,    // message 3070: a ticked condition without text
};

struct SearchOutcome {
    SearchStatus status = SearchStatus::kDone;
    int before = 0;  // item count before the search
    int count = 0;   // item count after it

    // Message 3069 follows when the search added nothing.
    bool NothingFound() const { return status == SearchStatus::kDone && count == before; }
};

// Searches the frame store from its oldest frame for as long as it yields
// frames (a receiver may append meanwhile): each frame's cell text in the
// request's column, in lower case, tested against the ticked conditions;
// hits are appended behind the earlier ones, or replace them with `refresh`.
// One text buffer serves every frame. A refused request leaves the results
// as they were.
SearchOutcome RunFrameSearch(const SearchRequest& request, bool refresh,
                             CCycleBuffer<_VCI_CAN_OBJ>& store, const ExportRowContext& context,
                             CSearchResults& results);

// The status-bar text after a search or a clear: "搜索到帧数 ：n".
std::string SearchStatusText(int count);

}  // namespace korvex
