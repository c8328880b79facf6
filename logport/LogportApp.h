#pragma once

// The library's one state object: the open recorder, the filter lists and the
// upload counters. It lives from library load to unload; open and close touch
// only the handles.

#include <atomic>
#include <cstdint>

#include "logport/FilterLists.h"
#include "logport/PipeSet.h"

namespace logport {

// Progress of LGP_LoadFrame, read and cancelled from another thread.
struct UploadCounters {
    std::atomic<std::uint32_t> dwTotal{0};   // records the recorder reported; 0 when idle
    std::atomic<std::uint32_t> dwLoaded{0};  // records received so far
    std::atomic<bool> bCancel{false};
};

class CLogportApp {
  public:
    // Type 20 or 21 and an index below the recorder count; false when no
    // recorder is attached.
    static bool IsKnownDevice(std::uint32_t devType, std::uint32_t devIndex);

    bool OpenDevice(std::uint32_t devType, std::uint32_t devIndex);
    bool CloseDevice(std::uint32_t devType, std::uint32_t devIndex);

    const PipeSet& Pipes() const { return pipes; }
    CFilterLists& FilterLists() { return filterLists; }
    UploadCounters& Counters() { return counters; }

  private:
    PipeSet pipes;
    CFilterLists filterLists;
    UploadCounters counters;
};

// The process-wide instance.
CLogportApp& TheApp();

}  // namespace logport
