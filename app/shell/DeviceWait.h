#pragma once

#include <mutex>

namespace korvex::shell {

// Takes the device gate (app/shell/rules/DeviceGate.h) for the user-interface
// thread. Every device action of the windows calls this before it opens the
// recorder and holds the lock until the recorder is closed:
//
//   std::unique_lock<std::mutex> device = korvex::shell::WaitForDevice();
//   if (!device.owns_lock()) return;     // the program is ending
//   LGP_OpenDevice(…); … LGP_CloseDevice(…);
//
// When a cancelled upload's worker is still inside the library, the main
// window's message pane says that the program is waiting for it and the window
// stays responsive until the worker has left. Returns a lock that is not held
// when the application quits while waiting.
std::unique_lock<std::mutex> WaitForDevice();

}  // namespace korvex::shell
