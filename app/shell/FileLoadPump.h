#pragma once

#include <QObject>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>

#include "core/SplitPass.h"

class CKorvexGlobal;

namespace korvex::shell {

// Keeps the window alive while a data file is read into the frame list on
// the user-interface thread: the pass's progress repaints the sinks (the
// rows read so far show at once), counts the frames up in the status bar and
// handles the window's events, about ten times a second. Esc, or closing a
// window, cancels the load; the frames read until then stay. One load at a
// time: a second one asked for meanwhile is refused (Busy()).
class CFileLoadPump : public QObject {
  public:
    // `showCount` gets the frames read so far, for the status bar.
    CFileLoadPump(CKorvexGlobal& global, std::function<void(long long)> showCount);
    ~CFileLoadPump() override;
    CFileLoadPump(const CFileLoadPump&) = delete;
    CFileLoadPump& operator=(const CFileLoadPump&) = delete;

    // Whether another load is being read at the moment.
    static bool Busy();
    // The split of the load's pass, reporting to this pump.
    PassSplit Split();
    bool Cancelled() const { return cancel.load(); }
    // Shows the final count once the load is over, when the status bar
    // counted up meanwhile.
    void Finish();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Pump(long long done);

    CKorvexGlobal& global;
    std::function<void(long long)> showCount;
    std::atomic<bool> cancel{false};
    bool pumped = false;
    long long lastDone = 0;
    std::chrono::steady_clock::time_point lastPumped;
};

}  // namespace korvex::shell
