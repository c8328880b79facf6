#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/FrameRowText.h"
#include "core/frame/CanObj.h"

// The file of the frame list's real-time save: a stream data file (signature
// block, then each frame's record as it arrives) when the extension is "can",
// else a text file (the header line, then one line per frame numbered from 0).
//
// Frames are gathered in a buffer of our own and handed to the system only in
// whole records, so that the file ends on a whole record (a whole line) after
// every Flush, whenever the program dies. The owner serialises the calls; this
// class takes no lock of its own.
class CRealTimeSaveFile {
  public:
    CRealTimeSaveFile() = default;
    CRealTimeSaveFile(const CRealTimeSaveFile&) = delete;
    CRealTimeSaveFile& operator=(const CRealTimeSaveFile&) = delete;
    ~CRealTimeSaveFile() { Close(); }

    // Creates (truncates) the file and writes its opening; false when the file
    // cannot be created or written, in which case nothing stays open.
    bool Open(const std::filesystem::path& path, const std::vector<std::string>& captions);
    // Appends a run of frames; a full buffer goes to the file at once.
    void WriteRun(const _VCI_CAN_OBJ* frames, int count, const korvex::ExportRowContext& context);
    // Hands what the buffer holds to the system. After a failed write (a full
    // disk, a folder gone) the file keeps its last whole record, WriteError
    // says why and nothing more is written.
    void Flush();
    // Flushes, then has the system put the file's data on the disk.
    void Sync();
    // The error number of the first write or sync that failed; 0 while every
    // one succeeded.
    int WriteError() const { return writeError; }
    // Flushes, syncs and closes.
    void Close();

    bool IsOpen() const { return fd >= 0; }
    bool IsBinary() const { return binary; }
    // Bytes went to the file since the last Sync.
    bool NeedsSync() const { return unsynced; }
    // Text lines written since the file was opened (the next line's row number).
    long long rtCount = 0;

  private:
    // Records reach the system in pieces of about this many bytes, and at the
    // end of every run.
    static constexpr std::size_t kBufferBytes = 1 << 16;

    // The length of pending's first `bytes` bytes that holds whole records.
    std::size_t WholeRecordBytes(std::size_t bytes) const;

    int fd = -1;
    bool binary = false;
    bool unsynced = false;
    int writeError = 0;
    off_t fileBytes = 0;  // what the file holds, whole records only
    std::string pending;  // whole records, not yet in the file
};
