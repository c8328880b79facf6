#pragma once

#include "share/WinTypes.h"

// The plug-in's application object, built when the library is loaded. It has
// nothing of its own to set up: its initialisation only reports success.
class CProtoLensApp {
  public:
    CProtoLensApp();
    BOOL InitInstance() { return 1; }
};
