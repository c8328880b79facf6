#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "app/device/rules/RecorderAccess.h"
#include "core/frame/CanObj.h"

class CKorvexGlobal;

namespace korvex::shell {

// What the two threads of an upload share: single words, atomic.
struct CUploadState {
    // 1 from the start of an upload until the worker has finished its library
    // work (or the progress dialog was closed); 0 otherwise.
    std::atomic<int> loading{0};
    // Set by the worker just before it asks the recorder for its records. The
    // library keeps the last count after a failed upload, so a count read
    // before this is not this upload's.
    std::atomic<bool> loadStarted{false};
    // True from the start of the worker thread until it has returned.
    std::atomic<bool> workerRunning{false};
    // Raised when the user or a quit stops the upload before it ends; the
    // worker then reports the frames it kept instead of a success.
    std::atomic<bool> cancelled{false};
};

// How the worker reports. Implementations forward to the user-interface
// thread; the worker never waits for an answer.
class IUploadReport {
  public:
    // A message box with string `stringId` and the xtp_mb icon in `type`.
    virtual void ShowMessage(std::uint32_t stringId, std::uint32_t type) = 0;
    // The same, followed by what to do about a recorder that is attached but
    // refused or held by another program.
    virtual void ShowRecorderProblem(std::uint32_t stringId, const device::RecorderProblem& problem,
                                     std::uint32_t type) = 0;
    // The text of status-bar pane 2.
    virtual void ShowStatus(const std::string& text) = 0;
    // The upload was cancelled and `kept` frames were handed over.
    virtual void ShowCancelled(int kept) = 0;
    virtual void SetWaitCursor(bool on) = 0;
    // The recorder's clock records, read before any frame is uploaded: the
    // clock reference list is rebuilt from them where it is read (on the
    // user-interface thread in the program, so painting never sees it half
    // rebuilt).
    virtual void RebuildClockList(std::vector<_VCI_CAN_OBJ> records) = 0;

  protected:
    ~IUploadReport() = default;
};

// The worker's part of an upload, run on the worker thread: holds the device
// gate, opens the recorder, hands over the clock records, uploads the
// records, hands the frames to the sinks of channel 0 and reports. The
// recorder is closed and the loading flag cleared on every path.
// `frameTotalLabel` is string 6004, taken on the user-interface thread
// before the worker starts (the resource manager is not for workers).
// Returns the thread's exit code, 1.
int RunUploadWorker(CKorvexGlobal& global, CUploadState& state, IUploadReport& report,
                    const std::string& frameTotalLabel);

// "(Time: %.03f s)" for `seconds`.
std::string UploadTimeText(double seconds);

}  // namespace korvex::shell
