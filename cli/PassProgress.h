#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

#include "core/SplitPass.h"

namespace korvex::cli {

struct CliStreams;

// The progress bar of one pass over the frames of a recording, on stderr as
// the upload draws its own: drawn when the pass goes over more than a few
// million frames and stderr is a terminal, at most ten times a second, and
// finished with a line feed.
class CPassProgress {
  public:
    static constexpr std::int64_t kLeastFrames = 2'000'000;

    // `label` names the pass at the start of the line ("reading", "searching").
    CPassProgress(const CliStreams& io, const char* label);
    ~CPassProgress();
    CPassProgress(const CPassProgress&) = delete;
    CPassProgress& operator=(const CPassProgress&) = delete;

    // A split over all cores that reports to this bar.
    PassSplit Split();
    // Finishes the line, once the pass is over.
    void Finish();

  private:
    void Show(std::int64_t done, std::int64_t total);

    std::ostream& err;
    bool enabled;
    std::string label;
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point lastDrawn;
    bool drawn = false;
};

}  // namespace korvex::cli
