#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

namespace korvex::cli {

// Asks the running upload to stop; safe to call from a signal handler.
void RequestCancel();
// Forgets an earlier request (before a new upload starts).
void ResetCancel();

// One line of the progress bar: items done of total and the rate, the items
// named by `unit`.
std::string ProgressLine(std::uint64_t loaded, std::uint64_t total, double seconds,
                         const char* unit = "records");

// Watches an upload while LGP_LoadFrame blocks the calling thread: every
// 100 ms it passes a pending cancel request to the library and, when asked
// to, redraws the progress bar on `err`. It only reads the library's atomic
// counters and sets its cancel flag, the calls allowed beside a running load.
class CUploadWatcher {
  public:
    CUploadWatcher(std::ostream& err, bool drawProgress);
    ~CUploadWatcher();
    CUploadWatcher(const CUploadWatcher&) = delete;
    CUploadWatcher& operator=(const CUploadWatcher&) = delete;

    // Ends the watch; the progress line is finished with a line feed.
    void Stop();

  private:
    void Run();

    std::ostream& err;
    bool drawProgress;
    bool stopping = false;
    bool drawn = false;
    std::mutex mutex;
    std::condition_variable wake;
    std::thread thread;
};

}  // namespace korvex::cli
