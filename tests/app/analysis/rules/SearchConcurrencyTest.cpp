#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "app/analysis/rules/FrameSearch.h"

namespace {

int IdentifierText(const _VCI_CAN_OBJ* frame, char** text, int) {
    thread_local char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X", frame->ID);
    *text = buffer;
    return 1;
}

// A receiver appends while the search reads: the search sees every frame
// that was there when it started, each at its own index, and ends at the
// first index the store does not yield.
TEST(FrameSearchConcurrency, FramesArrivingDuringASearch) {
    constexpr int kFirst = 20000;
    constexpr int kMore = 20000;
    CCycleBuffer<_VCI_CAN_OBJ> store;
    store.Reserve(kFirst + kMore);
    _VCI_CAN_OBJ frame{};
    frame.ID = 0x100;
    for (int i = 0; i < kFirst; ++i) store.Push(frame);
    korvex::ExportRowContext context;
    context.analyPartofCANFrame = &IdentifierText;
    korvex::SearchRequest request;
    request.column = 3;
    request.ticked[korvex::kEqual] = true;
    request.texts[korvex::kEqual] = "100";
    korvex::CSearchResults results;

    std::atomic<bool> go{false};
    std::thread receiver([&] {
        while (!go) std::this_thread::yield();
        for (int i = 0; i < kMore; ++i) store.Push(frame);
    });
    go = true;
    const korvex::SearchOutcome o = korvex::RunFrameSearch(request, false, store, context, results);
    receiver.join();
    EXPECT_GE(o.count, kFirst);
    EXPECT_LE(o.count, kFirst + kMore);
    for (int k = 0; k < o.count; ++k) ASSERT_EQ(results.Source(k), k);
}

}  // namespace
