#pragma once

#include <string>

#include "app/analysis/rules/SearchConditions.h"
#include "app/analysis/rules/SearchResults.h"
#include "core/FrameRowText.h"
#include "core/SplitPass.h"
#include "core/frame/CanObj.h"
#include "core/frame/CycleBuffer.h"
#include "core/signals/SignalDecoder.h"

namespace korvex {

enum class SearchStatus {
    kDone,
    kNoCondition,  // message 3070: nothing ticked
    kEmptyText,    // message 3070: a ticked condition without text
    kUnknownSignal,  // no database has the signal searched for
};

struct SearchOutcome {
    SearchStatus status = SearchStatus::kDone;
    int before = 0;  // item count before the search
    int count = 0;   // item count after it

    // Message 3069 follows when the search added nothing.
    bool NothingFound() const { return status == SearchStatus::kDone && count == before; }
};

// Searches the frames the store holds when the search starts, oldest first
// (a receiver may append meanwhile): each frame's cell text in the request's
// column, in lower case, tested against the ticked conditions; hits are
// appended behind the earlier ones, or replace them with `refresh`. A column
// whose text follows from a few fields is decided from them without making
// the text (CSearchFieldDecision). The pass is split over the cores as
// `split` says, its hits merged in frame order: the results are those of one
// pass. A refused request leaves the results as they were; a cancelled one
// keeps the hits of the frames searched until then.
SearchOutcome RunFrameSearch(const SearchRequest& request, bool refresh,
                             CCycleBuffer<_VCI_CAN_OBJ>& store, const ExportRowContext& context,
                             CSearchResults& results, const PassSplit& split = {});

// Searches one signal's value, named "MESSAGE.SIGNAL", instead of a column:
// the frames that carry the signal (CSignalDecoder::DecodeOne) and whose
// value meets the ticked conditions (CSignalValueMatcher). The request's
// column is not read; otherwise as RunFrameSearch.
SearchOutcome RunSignalSearch(const SearchRequest& request, const std::string& signalName,
                              const signaldb::CSignalDecoder& decoder, bool refresh,
                              CCycleBuffer<_VCI_CAN_OBJ>& store, CSearchResults& results,
                              const PassSplit& split = {});

// The status-bar text after a search or a clear: "搜索到帧数 ：n".
std::string SearchStatusText(int count);

}  // namespace korvex
