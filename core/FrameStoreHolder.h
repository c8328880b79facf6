#pragma once

#include "core/frame/CanObj.h"
#include "core/frame/CycleBuffer.h"

// A frame sink that keeps its frames in a frame store of its own, which the
// records of a data file may become without being copied.
class CFrameStoreHolder {
  public:
    // The store, or null for a sink that wants every frame through AddFrames.
    virtual CCycleBuffer<_VCI_CAN_OBJ>* HeldFrameStore() = 0;

  protected:
    ~CFrameStoreHolder() = default;
};
