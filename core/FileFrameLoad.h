#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/MappedFile.h"
#include "core/SplitPass.h"
#include "core/frame/CanObj.h"
#include "core/frame/CycleBuffer.h"

class CDataShowBase;
class CKorvexGlobal;

namespace korvex {

// The frame records of a data file, read in place from its mapping.
struct FileRecords {
    std::shared_ptr<const CMappedFile> file;
    std::size_t offset = 0;  // where the first record starts in the file
    int count = 0;

    const _VCI_CAN_OBJ* Records() const {
        return reinterpret_cast<const _VCI_CAN_OBJ*>(file->Data() + offset);
    }
};

enum class FileLoadEnd {
    kDone,
    kCancelled,   // the cancel flag ended it
    kUnreadable,  // the disk could not give a part of the file
    kSuperseded,  // the first sink's frames were changed meanwhile (a clear, an upload)
};

// One hand-over of a data file's records to the current channel's sinks, as
// the data-file readers do it: the first sink is sized for them, every record
// goes to every sink and is counted, then every sink redraws. The first
// sink, when it holds a frame store (CFrameStoreHolder), takes the records in
// place and shows them as they are read from the disk; the other sinks get
// copies. Begin and End run on the thread that owns the global state; Run,
// the reading, may run on another.
class CFileFrameLoad {
  public:
    CFileFrameLoad(CKorvexGlobal& global, FileRecords records);

    void Begin();
    // Reads the records in blocks over the cores and hands them over in file
    // order; split's progress counts the records handed over. Stops at a
    // cancel, at a part the disk cannot give and when the first sink's frames
    // change under it; what was handed over until then stays.
    FileLoadEnd Run(const PassSplit& split);
    // Instead of Run, where the first sink takes the records in place and no
    // other sink wants copies: shows them all at once, unread, for the first
    // pass that works on them to read (korvex-cli). Their transmitted frames
    // are then not counted, since that would take a reading of its own.
    // False, with nothing done, when the sinks need Run.
    bool HandOverUnread();
    // Counts the records handed over and lets every sink redraw.
    void End();

    // Records handed over so far; may be read from any thread.
    long long Loaded() const { return loaded.load(std::memory_order_acquire); }
    int Count() const { return records.count; }

  private:
    void HandCopies(const _VCI_CAN_OBJ* frames, int count);

    CKorvexGlobal& global;
    FileRecords records;
    std::vector<CDataShowBase*> sinks;
    std::vector<CDataShowBase*> copySinks;  // the sinks that get copies
    CCycleBuffer<_VCI_CAN_OBJ>* adopting = nullptr;
    std::uint64_t adoption = 0;
    std::atomic<long long> loaded{0};
    long long transmitted = 0;
    bool unread = false;  // handed over without being read
    std::vector<_VCI_CAN_OBJ> copyRun;
};

}  // namespace korvex
