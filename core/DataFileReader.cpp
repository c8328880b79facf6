#include "core/DataFileReader.h"

#include <sys/types.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "core/KorvexGlobal.h"
#include "core/frame/CanObj.h"
#include "core/frame/OrigTimeEntry.h"

namespace korvex {
namespace {

// Frames are handed over in runs of this many records, so a load needs one
// small buffer whatever the file's size.
constexpr std::size_t kRunRecords = 4096;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool ReadExactly(std::FILE* file, void* out, std::size_t n) {
    return std::fread(out, 1, n, file) == n;
}

// Accepts the block when bytes 0-15 are the signature and byte 16 ends it as
// a text; bytes 17-19 are not looked at.
bool ReadSignatureBlock(std::FILE* file) {
    unsigned char block[kSignatureBlockSize];
    if (!ReadExactly(file, block, sizeof block)) return false;
    return std::memcmp(block, kDataFileSignature, 16) == 0 && block[16] == 0;
}

// Bytes from the current position to the end, or -1 when the file cannot seek.
long long BytesLeft(std::FILE* file) {
    const off_t here = ftello(file);
    if (here < 0 || fseeko(file, 0, SEEK_END) != 0) return -1;
    const off_t end = ftello(file);
    if (end < here || fseeko(file, here, SEEK_SET) != 0) return -1;
    return static_cast<long long>(end - here);
}

// Hands `frameCount` records from the current position to the sinks. A file
// that shrinks while it is read ends the run early; the sinks still redraw.
void HandFrames(std::FILE* file, long long frameCount, CKorvexGlobal& global,
                const StatusTextFn& showStatus, std::string_view label) {
    const int count = static_cast<int>(frameCount);
    global.BeginFileFrames(count);
    if (showStatus) showStatus(FrameCountText(label, count));
    std::vector<_VCI_CAN_OBJ> run(kRunRecords);
    long long left = frameCount;
    while (left > 0) {
        const std::size_t want = left < static_cast<long long>(kRunRecords)
                                     ? static_cast<std::size_t>(left)
                                     : kRunRecords;
        const std::size_t got = std::fread(run.data(), kFrameRecordSize, want, file);
        global.AddFileFrameRun(run.data(), static_cast<int>(got));
        if (got != want) break;
        left -= static_cast<long long>(got);
    }
    global.EndFileFrames();
}

long long WholeRecords(long long bytes) {
    return bytes / static_cast<long long>(kFrameRecordSize);
}

bool IsSignatureBlock(const std::uint8_t* bytes, std::size_t size) {
    return size >= kSignatureBlockSize && std::memcmp(bytes, kDataFileSignature, 16) == 0 &&
           bytes[16] == 0;
}

DataFileLayout Refused(DataFileStatus status) {
    DataFileLayout layout;
    layout.status = status;
    return layout;
}

// The records from `offset` to the end; a trailing partial record is left out.
DataFileLayout RecordsFrom(std::size_t offset, std::size_t size) {
    const long long count = WholeRecords(static_cast<long long>(size - offset));
    if (count > INT_MAX) return Refused(DataFileStatus::kDamaged);
    DataFileLayout layout;
    layout.recordsOffset = offset;
    layout.count = static_cast<int>(count);
    return layout;
}

OpenedDataFile OpenInPlace(const std::filesystem::path& path,
                           DataFileLayout (*layoutOf)(const std::uint8_t*, std::size_t)) {
    OpenedDataFile opened;
    std::shared_ptr<CMappedFile> file = CMappedFile::Open(path, opened.error);
    if (!file) {
        opened.layout.status = DataFileStatus::kCannotOpen;
        return opened;
    }
    opened.layout = layoutOf(file->Data(), file->Size());
    opened.records.file = std::move(file);
    opened.records.offset = opened.layout.recordsOffset;
    opened.records.count = opened.layout.count;
    return opened;
}

// Hands the mapped records to the sinks, reading them in a pass over the
// cores unless `reading` leaves that to their first use; the status text goes
// out once the first sink is sized.
DataFileStatus LoadInPlace(OpenedDataFile& opened, CKorvexGlobal& global,
                           const StatusTextFn& showStatus, std::string_view label,
                           const PassSplit& split, FrameReading reading) {
    CFileFrameLoad load(global, opened.records);
    load.Begin();
    if (showStatus) showStatus(FrameCountText(label, opened.records.count));
    const bool handedOver = reading == FrameReading::kByFirstUse && load.HandOverUnread();
    const FileLoadEnd end = handedOver ? FileLoadEnd::kDone : load.Run(split);
    load.End();
    if (end != FileLoadEnd::kUnreadable) return DataFileStatus::kOk;
    errno = EIO;
    return DataFileStatus::kUnreadable;
}

}  // namespace

std::string FrameCountText(std::string_view label, long long count) {
    std::string text(label);
    text += " ：";
    text += std::to_string(count);
    return text;
}

DataFileStatus ReadSnapshot(std::FILE* file, CKorvexGlobal& global, const StatusTextFn& showStatus,
                            std::string_view frameTotalLabel) {
    if (!ReadSignatureBlock(file)) return DataFileStatus::kNotDataFile;
    std::uint32_t n = 0;
    if (!ReadExactly(file, &n, sizeof n)) return DataFileStatus::kDamaged;
    // Check that the clock list fits before anything is changed, so a damaged
    // file cannot leave a half-loaded list behind.
    const long long left = BytesLeft(file);
    const long long listBytes = static_cast<long long>(n) * static_cast<long long>(kClockEntrySize);
    if (left < 0 || listBytes > left) return DataFileStatus::kDamaged;
    const long long frameCount = WholeRecords(left - listBytes);
    if (frameCount > INT_MAX) return DataFileStatus::kDamaged;

    std::vector<OrigTimeEntry> entries(n);
    if (n != 0 && !ReadExactly(file, entries.data(), listBytes)) return DataFileStatus::kDamaged;
    global.origTimeList = std::move(entries);
    HandFrames(file, frameCount, global, showStatus, frameTotalLabel);
    return DataFileStatus::kOk;
}

DataFileStatus ReadStream(std::FILE* file, CKorvexGlobal& global, const StatusTextFn& showStatus,
                          std::string_view frameTotalLabel) {
    if (!ReadSignatureBlock(file)) return DataFileStatus::kNotDataFile;
    const long long left = BytesLeft(file);
    if (left < 0) return DataFileStatus::kDamaged;
    const long long frameCount = WholeRecords(left);
    if (frameCount > INT_MAX) return DataFileStatus::kDamaged;
    HandFrames(file, frameCount, global, showStatus, frameTotalLabel);
    return DataFileStatus::kOk;
}

DataFileLayout SnapshotLayout(const std::uint8_t* bytes, std::size_t size) {
    if (!IsSignatureBlock(bytes, size)) return Refused(DataFileStatus::kNotDataFile);
    std::uint32_t n = 0;
    if (size < kSignatureBlockSize + sizeof n) return Refused(DataFileStatus::kDamaged);
    std::memcpy(&n, bytes + kSignatureBlockSize, sizeof n);
    const std::size_t listStart = kSignatureBlockSize + sizeof n;
    const std::uint64_t listBytes = std::uint64_t{n} * kClockEntrySize;
    if (listBytes > size - listStart) return Refused(DataFileStatus::kDamaged);
    DataFileLayout layout = RecordsFrom(listStart + static_cast<std::size_t>(listBytes), size);
    if (layout.status != DataFileStatus::kOk) return layout;
    layout.clockList.resize(n);
    if (n != 0) std::memcpy(layout.clockList.data(), bytes + listStart, listBytes);
    return layout;
}

DataFileLayout StreamLayout(const std::uint8_t* bytes, std::size_t size) {
    if (!IsSignatureBlock(bytes, size)) return Refused(DataFileStatus::kNotDataFile);
    return RecordsFrom(kSignatureBlockSize, size);
}

OpenedDataFile OpenSnapshotInPlace(const std::filesystem::path& path) {
    return OpenInPlace(path, &SnapshotLayout);
}

OpenedDataFile OpenStreamInPlace(const std::filesystem::path& path) {
    return OpenInPlace(path, &StreamLayout);
}

DataFileStatus ReadSnapshotFile(const std::filesystem::path& path, CKorvexGlobal& global,
                                const StatusTextFn& showStatus, std::string_view frameTotalLabel,
                                const PassSplit& split, FrameReading reading) {
    OpenedDataFile opened = OpenSnapshotInPlace(path);
    if (opened.error != std::errc::not_supported) {
        if (opened.layout.status != DataFileStatus::kOk) return opened.layout.status;
        global.origTimeList = std::move(opened.layout.clockList);
        return LoadInPlace(opened, global, showStatus, frameTotalLabel, split, reading);
    }
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return DataFileStatus::kCannotOpen;
    return ReadSnapshot(file.get(), global, showStatus, frameTotalLabel);
}

DataFileStatus ReadStreamFile(const std::filesystem::path& path, CKorvexGlobal& global,
                              const StatusTextFn& showStatus, std::string_view frameTotalLabel,
                              const PassSplit& split, FrameReading reading) {
    OpenedDataFile opened = OpenStreamInPlace(path);
    if (opened.error != std::errc::not_supported) {
        if (opened.layout.status != DataFileStatus::kOk) return opened.layout.status;
        return LoadInPlace(opened, global, showStatus, frameTotalLabel, split, reading);
    }
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return DataFileStatus::kCannotOpen;
    return ReadStream(file.get(), global, showStatus, frameTotalLabel);
}

}  // namespace korvex
