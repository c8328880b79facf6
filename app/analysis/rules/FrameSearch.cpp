#include "app/analysis/rules/FrameSearch.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "app/analysis/rules/SearchFieldDecision.h"
#include "app/analysis/rules/SignalValueMatch.h"
#include "app/common/rules/HexText.h"
#include "app/signals/rules/SignalSelection.h"
#include "xtp/XTPResourceManager.h"

namespace korvex {

namespace {

// Frames are marked as hits or not in runs of at most this many.
constexpr int kMarkRun = 4096;

// The hits of one block: frame indices in order, and the marks and the text
// buffer of the thread that searches it.
struct BlockHits {
    std::vector<std::int32_t> frames;
    std::array<std::uint8_t, kMarkRun> marks{};
    std::string text;
};

// Whether a request may run at all; a refusal leaves the results untouched,
// so it never leaves a cleared list behind a stale count.
SearchOutcome CheckRequest(const SearchRequest& request, const CSearchResults& results) {
    SearchOutcome outcome;
    outcome.before = outcome.count = results.ItemCount();
    if (!request.AnyTicked())
        outcome.status = SearchStatus::kNoCondition;
    else if (request.TickedTextEmpty())
        outcome.status = SearchStatus::kEmptyText;
    return outcome;
}

// Appends the index of every marked frame of a run, `first` being the index
// of marks[0]; hits are few, so the marks are skipped eight at a time.
void AppendMarked(const std::uint8_t* marks, int n, std::int64_t first,
                  std::vector<std::int32_t>& out) {
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        std::uint64_t eight = 0;
        std::memcpy(&eight, marks + k, sizeof eight);
        if (eight == 0) continue;
        for (int j = k; j < k + 8; ++j)
            if (marks[j] != 0) out.push_back(static_cast<std::int32_t>(first + j));
    }
    for (; k < n; ++k)
        if (marks[k] != 0) out.push_back(static_cast<std::int32_t>(first + k));
}

// Appends the frames that markRun(first, run, n, marks, text) marks as hits
// to the results, in frame order: it sets marks[k] for the frame run[k],
// whose index is first + k, for n frames at most kMarkRun, with `text` a
// buffer of its thread. It runs on several threads at once.
template <typename MarkRun>
void CollectHits(bool refresh, CCycleBuffer<_VCI_CAN_OBJ>& store, CSearchResults& results,
                 const PassSplit& split, SearchOutcome& outcome, MarkRun&& markRun) {
    if (refresh) results.Clear();
    const CCycleBuffer<_VCI_CAN_OBJ>::CView frames = store.View();
    int n = results.ItemCount();
    outcome.before = n;
    RunSplitPass<BlockHits>(
        frames.Count(), split,
        [&](std::int64_t begin, std::int64_t end, BlockHits& hits) {
            hits.frames.clear();
            frames.ForEachRun(
                begin, end, [&](std::int64_t first, const _VCI_CAN_OBJ* run, int count) {
                    for (int at = 0; at < count; at += kMarkRun) {
                        const int part = std::min(kMarkRun, count - at);
                        markRun(first + at, run + at, part, hits.marks.data(), hits.text);
                        AppendMarked(hits.marks.data(), part, first + at, hits.frames);
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
}

// A markRun for CollectHits that asks isHit(index, frame, text) of each frame.
template <typename IsHit>
auto EachFrame(IsHit&& isHit) {
    return [isHit](std::int64_t first, const _VCI_CAN_OBJ* run, int n, std::uint8_t* marks,
                   std::string& text) {
        for (int k = 0; k < n; ++k)
            marks[k] = isHit(static_cast<std::int32_t>(first + k), run[k], text);
    };
}

}  // namespace

SearchOutcome RunFrameSearch(const SearchRequest& request, bool refresh,
                             CCycleBuffer<_VCI_CAN_OBJ>& store, const ExportRowContext& context,
                             CSearchResults& results, const PassSplit& split) {
    SearchOutcome outcome = CheckRequest(request, results);
    if (outcome.status != SearchStatus::kDone) return outcome;
    const CSearchMatcher matcher(request);
    const CSearchFieldDecision fields(request.column, matcher, context);
    const bool lower = matcher.NeedsLowerCase();
    if (fields.Decides()) {
        CollectHits(refresh, store, results, split, outcome,
                    [&](std::int64_t, const _VCI_CAN_OBJ* run, int n, std::uint8_t* marks,
                        std::string&) { fields.MarkHits(run, n, marks); });
        return outcome;
    }
    CollectHits(refresh, store, results, split, outcome,
                EachFrame([&](std::int32_t i, const _VCI_CAN_OBJ& frame, std::string& cell) {
                    FormatCellText(i, frame, request.column, context, cell);
                    if (lower) ToLowerAscii(cell.data(), cell.size());
                    return matcher.Matches(cell);
                }));
    return outcome;
}

SearchOutcome RunSignalSearch(const SearchRequest& request, const std::string& signalName,
                              const signaldb::CSignalDecoder& decoder, bool refresh,
                              CCycleBuffer<_VCI_CAN_OBJ>& store, CSearchResults& results,
                              const PassSplit& split) {
    SearchOutcome outcome = CheckRequest(request, results);
    if (outcome.status != SearchStatus::kDone) return outcome;
    std::string missing;
    const signaldb::SignalSelection chosen =
        signaldb::SelectSignals(decoder, {signalName}, missing);
    if (!missing.empty()) {
        outcome.status = SearchStatus::kUnknownSignal;
        return outcome;
    }
    // The signal's index in each message; -1 where the message lacks it.
    std::vector<int> signalOf(chosen.size(), -1);
    for (std::size_t m = 0; m < chosen.size(); ++m)
        for (std::size_t s = 0; s < chosen[m].size() && signalOf[m] < 0; ++s)
            if (chosen[m][s] != 0) signalOf[m] = static_cast<int>(s);
    const CSignalValueMatcher matcher(request);
    const signaldb::CompiledMessage* firstMessage = decoder.Messages().data();
    CollectHits(refresh, store, results, split, outcome,
                EachFrame([&](std::int32_t, const _VCI_CAN_OBJ& frame, std::string& text) {
                    const signaldb::CompiledMessage* message = decoder.Find(frame);
                    if (message == nullptr) return false;
                    const int signal = signalOf[static_cast<std::size_t>(message - firstMessage)];
                    signaldb::DecodedSignal decoded;
                    return signal >= 0 && decoder.DecodeOne(*message, signal, frame, decoded) &&
                           matcher.Matches(message->signalList[signal], decoded, text);
                }));
    return outcome;
}

std::string SearchStatusText(int count) {
    return XTPLoadString(kStrFramesFound) + " ：" + std::to_string(count);
}

}  // namespace korvex
