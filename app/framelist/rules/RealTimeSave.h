#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/FrameRowText.h"
#include "core/RealTimeSaveFile.h"
#include "core/frame/CanObj.h"

// The frame list's real-time save: its state (rtActive, rtCount, rtFile,
// rtPath) behind rtLock. The file decides between the stream and the text
// form by the path's extension. Frames come from the upload's worker while the
// user-interface thread switches saving on and off, so a run is written whole
// under the lock and the file cannot be closed while a frame is written.
//
// What the list shows is in the file: each run is handed to the system as it
// arrives, and put on the disk at least every kSyncInterval while runs arrive;
// SyncIfDue, called on a timer, does it for the last runs once they stop.
class CRealTimeSave {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kSyncInterval{200};

    CRealTimeSave() = default;
    CRealTimeSave(const CRealTimeSave&) = delete;
    CRealTimeSave& operator=(const CRealTimeSave&) = delete;
    ~CRealTimeSave() { Stop(); }

    // Creates the file at `path` and switches saving on; false, leaving it
    // off, when the file cannot be created.
    bool Start(const std::string& path, const std::vector<std::string>& captions);
    // Writes out what is buffered, closes the file and switches saving off.
    void Stop();
    // While saving is on, appends the run to the file. A write that fails
    // closes the file (it ends on its last whole record), switches saving off
    // and calls the failure handler once, on the writing thread.
    void Write(const _VCI_CAN_OBJ* frames, int count, const korvex::ExportRowContext& context);
    // Puts what was written on the disk when the last time is kSyncInterval
    // ago; a sync that fails ends the save as a failed write does.
    void SyncIfDue();
    // Called with the file's path and the error number when saving stops on
    // a failed write.
    void SetFailureHandler(std::function<void(const std::string&, int)> handler) {
        onFailure = std::move(handler);
    }

    int IsActive() const { return rtActive.load(std::memory_order_acquire); }
    // Text lines written to the current file.
    long long Count();
    std::string Path();

  private:
    void SyncIfDueLocked(Clock::time_point now);
    // Ends the save when the file reports a failed write; returns the error.
    int StopOnErrorLocked();

    std::atomic<std::int32_t> rtActive{0};
    std::mutex rtLock;
    CRealTimeSaveFile rtFile;  // keeps rtCount
    std::string rtPath;
    Clock::time_point lastSync;
    std::function<void(const std::string&, int)> onFailure;
};
