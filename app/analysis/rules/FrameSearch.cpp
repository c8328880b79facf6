#include "app/analysis/rules/FrameSearch.h"

#include <vector>

#include "app/analysis/rules/SearchFieldDecision.h"
#include "app/common/rules/HexText.h"
#include "xtp/XTPResourceManager.h"

namespace korvex {

namespace {

// The hits of one block: frame indices in order, and the text buffer of the
// thread that searches it.
struct BlockHits {
    std::vector<std::int32_t> frames;
    std::string cell;
};

}  // namespace

SearchOutcome RunFrameSearch(const SearchRequest& request, bool refresh,
                             CCycleBuffer<_VCI_CAN_OBJ>& store, const ExportRowContext& context,
                             CSearchResults& results, const PassSplit& split) {
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
    const CSearchFieldDecision fields(request.column, matcher, context);
    const bool lower = matcher.NeedsLowerCase();
    const CCycleBuffer<_VCI_CAN_OBJ>::CView frames = store.View();
    int n = results.ItemCount();
    outcome.before = n;
    RunSplitPass<BlockHits>(
        frames.Count(), split,
        [&](std::int64_t begin, std::int64_t end, BlockHits& hits) {
            hits.frames.clear();
            frames.ForEachRun(
                begin, end, [&](std::int64_t first, const _VCI_CAN_OBJ* run, int count) {
                    for (int k = 0; k < count; ++k) {
                        const _VCI_CAN_OBJ& frame = run[k];
                        const auto i = static_cast<std::int32_t>(first + k);
                        bool hit;
                        if (fields.Decides()) {
                            hit = fields.Matches(frame);
                        } else {
                            FormatCellText(i, frame, request.column, context, hits.cell);
                            if (lower) ToLowerAscii(hits.cell.data(), hits.cell.size());
                            hit = matcher.Matches(hits.cell);
                        }
                        if (hit) hits.frames.push_back(i);
                    }
                });
        },
        [&](std::int64_t, std::int64_t, BlockHits& hits) {
            for (const std::int32_t i : hits.frames) {
                results.PutFrame(n, frames[i]);
                results.SetSource(n, i);
                ++n;
            }
            return true;
        });
    results.SetItemCount(n);
    outcome.count = n;
    return outcome;
}

std::string SearchStatusText(int count) {
    return XTPLoadString(kStrFramesFound) + " ：" + std::to_string(count);
}

}  // namespace korvex
