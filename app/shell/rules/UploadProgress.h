#pragma once

#include <cstdint>
#include <string>

namespace korvex::shell {

// The progress bar of an upload runs 0..200. While the worker loads, the bar
// is an activity indication (1, 2, … 198, 0, 1, …) and the count text carries
// the real progress; it reaches 200 only once the worker has finished.
inline constexpr int kProgressMaximum = 200;

struct ProgressStep {
    int position;   // the bar position to show
    bool finished;  // the worker has finished: stop the timer
};

// One tick of the view's progress timer. `tick` is the animation position the
// view keeps between ticks.
ProgressStep AdvanceUploadProgress(std::uint32_t& tick, bool loading);

// "(%d / %d)": records received so far and the record total.
std::string UploadCountText(std::uint32_t loaded, std::uint32_t total);

}  // namespace korvex::shell
