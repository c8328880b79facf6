#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileFrameLoad.h"
#include "core/SplitPass.h"
#include "core/frame/OrigTimeEntry.h"

class CKorvexGlobal;

namespace korvex {

// Both .can variants open with this 16-character signature (no terminator
// within those bytes) followed by four zero bytes.
inline constexpr char kDataFileSignature[] = "Quorvel CAN Data";
inline constexpr std::size_t kSignatureBlockSize = 20;
inline constexpr std::size_t kFrameRecordSize = 24;
inline constexpr std::size_t kClockEntrySize = 12;

// Built-in text of string 6004, the label of the frame-count status text.
inline constexpr char kFrameTotalLabel[] = "总帧数";

enum class DataFileStatus {
    kOk,
    kCannotOpen,   // the file could not be opened for reading
    kNotDataFile,  // shorter than the signature block, or another signature
    kDamaged,  // the clock list does not fit in the file, or it holds more frames than a store can
    kUnreadable,  // the disk could not give a part of the frames; those before it were read
};

// How the frames of a .can file reach the sinks: read in a pass over the
// cores and shown as they are read, or, where the first sink takes them in
// place and no other sink wants copies, handed over unread for the first pass
// that works on them to read (korvex-cli: one reading of the file per command).
enum class FrameReading { kPass, kByFirstUse };

// Receives the status-bar text of a load ("总帧数 ：1234").
using StatusTextFn = std::function<void(const std::string&)>;

// "%s ：%d" with the label and the count.
std::string FrameCountText(std::string_view label, long long count);

// Where the frames of a .can file lie in its bytes, as the readers check
// them: refused (with the status) when the signature is wrong or the clock
// list does not fit, else the records' offset and count and the clock list.
struct DataFileLayout {
    DataFileStatus status = DataFileStatus::kOk;
    std::size_t recordsOffset = 0;
    int count = 0;
    std::vector<OrigTimeEntry> clockList;  // a snapshot file's
};
DataFileLayout SnapshotLayout(const std::uint8_t* bytes, std::size_t size);
DataFileLayout StreamLayout(const std::uint8_t* bytes, std::size_t size);

// A .can file opened in place: its layout and its mapped records. A file
// that cannot be mapped (not a regular file) has status kCannotOpen and
// `error` std::errc::not_supported; the readers then read it as a stream.
struct OpenedDataFile {
    DataFileLayout layout;
    FileRecords records;
    std::error_code error;
};
OpenedDataFile OpenSnapshotInPlace(const std::filesystem::path& path);
OpenedDataFile OpenStreamInPlace(const std::filesystem::path& path);

// Snapshot file (import command): refills origTimeList from the file and hands
// every frame record to the current channel's sinks with counting. A file that
// is refused leaves the clock list, the sinks and the counters untouched. A
// trailing partial record is ignored.
// The frames of a file are read in place and shown to the first sink as they
// are read, in a pass split as `split` says.
DataFileStatus ReadSnapshotFile(const std::filesystem::path& path, CKorvexGlobal& global,
                                const StatusTextFn& showStatus = {},
                                std::string_view frameTotalLabel = kFrameTotalLabel,
                                const PassSplit& split = {},
                                FrameReading reading = FrameReading::kPass);
DataFileStatus ReadSnapshot(std::FILE* file, CKorvexGlobal& global,
                            const StatusTextFn& showStatus = {},
                            std::string_view frameTotalLabel = kFrameTotalLabel);

// Stream file (document open): as the snapshot reader, but the frames follow
// the signature block directly and the clock list is left as it is.
DataFileStatus ReadStreamFile(const std::filesystem::path& path, CKorvexGlobal& global,
                              const StatusTextFn& showStatus = {},
                              std::string_view frameTotalLabel = kFrameTotalLabel,
                              const PassSplit& split = {},
                              FrameReading reading = FrameReading::kPass);
DataFileStatus ReadStream(std::FILE* file, CKorvexGlobal& global,
                          const StatusTextFn& showStatus = {},
                          std::string_view frameTotalLabel = kFrameTotalLabel);

}  // namespace korvex
