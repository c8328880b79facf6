#include "app/analysis/rules/FrameSearch.h"

#include "app/common/rules/HexText.h"
#include "xtp/XTPResourceManager.h"

namespace korvex {

SearchOutcome RunFrameSearch(const SearchRequest& request, bool refresh,
                             CCycleBuffer<_VCI_CAN_OBJ>& store, const ExportRowContext& context,
                             CSearchResults& results) {
    SearchOutcome outcome;
    outcome.before = outcome.count = results.ItemCount();
    if (!request.AnyTicked()) {
        outcome.status = SearchStatus::kNoCondition;
        return outcome;
    }
    // Refused before the list is touched, so a refusal never leaves a
    // cleared list behind a stale count.
    if (request.TickedTextEmpty()) {
        outcome.status = SearchStatus::kEmptyText;
        return outcome;
    }
    if (refresh) results.Clear();
    const CSearchMatcher matcher(request);
    const bool lower = matcher.NeedsLowerCase();
    int n = results.ItemCount();
    outcome.before = n;
    std::string cell;
    cell.reserve(128);
    _VCI_CAN_OBJ frame{};
    for (int i = 0; store.Get(i, &frame); ++i) {
        FormatCellText(i, frame, request.column, context, cell);
        if (lower) ToLowerAscii(cell.data(), cell.size());
        if (!matcher.Matches(cell)) continue;
        results.PutFrame(n, frame);
        results.SetSource(n, i);
        ++n;
    }
    results.SetItemCount(n);
    outcome.count = n;
    return outcome;
}

std::string SearchStatusText(int count) {
    return XTPLoadString(kStrFramesFound) + " ：" + std::to_string(count);
}

}  // namespace korvex
