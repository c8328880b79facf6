#pragma once

#include <mutex>

namespace korvex::shell {

// Takes the device gate (app/shell/rules/DeviceGate.h) for the user-interface
// thread. Every device action of the windows calls this before it opens the
// recorder and holds the lock until the recorder is closed:
//
//   std::unique_lock<std::mutex> device = korvex::shell::TakeRecorder();
//   if (!device.owns_lock()) return;     // the recorder is busy
//   LGP_OpenDevice(…); … LGP_CloseDevice(…);
//
// While an upload's worker holds the recorder (also while a cancelled one
// finishes its last exchange) nothing waits: the user is told that the
// recorder is busy and the lock comes back not held. The same for every
// device action, so none of them can leave the window waiting unseen.
std::unique_lock<std::mutex> TakeRecorder();

// The message box that says the recorder is busy with an upload.
void SayRecorderBusy();

}  // namespace korvex::shell
