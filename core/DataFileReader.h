#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

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
};

// Receives the status-bar text of a load ("总帧数 ：1234").
using StatusTextFn = std::function<void(const std::string&)>;

// "%s ：%d" with the label and the count.
std::string FrameCountText(std::string_view label, long long count);

// Snapshot file (import command): refills origTimeList from the file and hands
// every frame record to the current channel's sinks with counting. A file that
// is refused leaves the clock list, the sinks and the counters untouched. A
// trailing partial record is ignored.
DataFileStatus ReadSnapshotFile(const std::filesystem::path& path, CKorvexGlobal& global,
                                const StatusTextFn& showStatus = {},
                                std::string_view frameTotalLabel = kFrameTotalLabel);
DataFileStatus ReadSnapshot(std::FILE* file, CKorvexGlobal& global,
                            const StatusTextFn& showStatus = {},
                            std::string_view frameTotalLabel = kFrameTotalLabel);

// Stream file (document open): as the snapshot reader, but the frames follow
// the signature block directly and the clock list is left as it is.
DataFileStatus ReadStreamFile(const std::filesystem::path& path, CKorvexGlobal& global,
                              const StatusTextFn& showStatus = {},
                              std::string_view frameTotalLabel = kFrameTotalLabel);
DataFileStatus ReadStream(std::FILE* file, CKorvexGlobal& global,
                          const StatusTextFn& showStatus = {},
                          std::string_view frameTotalLabel = kFrameTotalLabel);

}  // namespace korvex
