#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/FrameRowText.h"
#include "core/frame/CanObj.h"

// The file of the frame list's real-time save: a stream data file (signature
// block, then each frame's record as it arrives) when the extension is "can",
// else a text file (the header line, then one line per frame numbered from 0).
// The owner serialises the calls; this class takes no lock of its own.
class CRealTimeSaveFile {
  public:
    CRealTimeSaveFile() = default;
    CRealTimeSaveFile(const CRealTimeSaveFile&) = delete;
    CRealTimeSaveFile& operator=(const CRealTimeSaveFile&) = delete;
    ~CRealTimeSaveFile() { Close(); }

    // Creates (truncates) the file and writes its opening; false when the file
    // cannot be created or written, in which case nothing stays open.
    bool Open(const std::filesystem::path& path, const std::vector<std::string>& captions);
    // Appends one frame. Write errors are swallowed so that saving goes on.
    void Write(const _VCI_CAN_OBJ& frame, const korvex::ExportRowContext& context);
    // Appends a run of frames, as `count` calls of Write would.
    void WriteRun(const _VCI_CAN_OBJ* frames, int count, const korvex::ExportRowContext& context);
    // Writes out what the buffer holds, then closes.
    void Close();

    bool IsOpen() const { return file != nullptr; }
    bool IsBinary() const { return binary; }
    // Text lines written since the file was opened (the next line's row number).
    long long rtCount = 0;

  private:
    // Frames arrive a few at a time; a large stream buffer keeps the system
    // calls to one per this many bytes.
    static constexpr std::size_t kBufferBytes = 1 << 16;

    std::FILE* file = nullptr;
    bool binary = false;
    std::string line;
};
