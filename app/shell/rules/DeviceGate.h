#pragma once

#include <mutex>

namespace korvex::shell {

// The one gate in front of the device link library, which must never be
// entered by two threads at once. Whoever opens the recorder holds it until
// the recorder is closed again: the upload worker for its whole run, the
// user-interface thread for a probe or a device dialog's exchange. Only the
// library's counter reads and its cancel request (atomics) are called
// without it, beside a running upload.
//
// The user-interface thread takes it through TakeRecorder()
// (app/shell/RecorderAccess.h), which never waits for it: while a worker
// holds it, the user is told that the recorder is busy.
class CDeviceGate {
  public:
    static std::mutex& Mutex();

    // Held at once, or not held when another thread is inside the library.
    static std::unique_lock<std::mutex> TryEnter() {
        return std::unique_lock<std::mutex>(Mutex(), std::try_to_lock);
    }
    // Blocks until the library is free; for worker threads only.
    static std::unique_lock<std::mutex> Enter() { return std::unique_lock<std::mutex>(Mutex()); }
};

}  // namespace korvex::shell
