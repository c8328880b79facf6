#include "core/DataFileWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/DataFileReader.h"
#include "core/FrameLines.h"

namespace korvex {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Output is gathered into pieces of about this size before each write.
constexpr std::size_t kFlushBytes = 1 << 16;

bool WriteAll(std::FILE* file, const std::string& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool FlushIfFull(std::FILE* file, std::string& pending) {
    if (pending.size() < kFlushBytes) return true;
    const bool ok = WriteAll(file, pending);
    pending.clear();
    return ok;
}

bool Finish(FilePtr file, const std::string& pending) {
    bool ok = WriteAll(file.get(), pending);
    ok = std::fclose(file.release()) == 0 && ok;
    return ok;
}

// Records the failure, when asked, and gives false.
bool Failed(FileWriteProblem* problem, bool created) {
    if (problem != nullptr) problem->Set(created);
    return false;
}

}  // namespace

bool IsBinaryDataFileName(const std::filesystem::path& path) {
    // The extension is what follows the file name's last dot, so ".can" has
    // one (std::filesystem would call it a name without extension).
    const std::string name = path.filename().string();
    const std::size_t dot = name.rfind('.');
    return dot != std::string::npos && name.compare(dot + 1, std::string::npos, "can") == 0;
}

void AppendSignatureBlock(std::string& out) {
    out.append(kDataFileSignature, 16);
    out.append(kSignatureBlockSize - 16, '\0');
}

bool WriteSnapshotFile(const std::filesystem::path& path,
                       const std::vector<OrigTimeEntry>& origTimeList,
                       CCycleBuffer<_VCI_CAN_OBJ>& frameStore, FileWriteProblem* problem) {
    errno = 0;
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) return Failed(problem, false);
    std::string pending;
    pending.reserve(kFlushBytes + kFrameRecordSize);
    AppendSignatureBlock(pending);
    const auto n = static_cast<std::uint32_t>(origTimeList.size());
    pending.append(reinterpret_cast<const char*>(&n), sizeof n);
    for (const OrigTimeEntry& entry : origTimeList) {
        pending.append(reinterpret_cast<const char*>(&entry), sizeof entry);
        if (!FlushIfFull(file.get(), pending)) return Failed(problem, true);
    }
    if (!WriteAll(file.get(), pending)) return Failed(problem, true);
    pending.clear();
    // The frames go out as the store keeps them, a piece at a time.
    bool written = true;
    const CCycleBuffer<_VCI_CAN_OBJ>::CView frames = frameStore.View();
    frames.ForEachRun(0, frames.Count(), [&](std::int64_t, const _VCI_CAN_OBJ* run, int n) {
        written = written && std::fwrite(run, sizeof *run, static_cast<std::size_t>(n),
                                         file.get()) == static_cast<std::size_t>(n);
    });
    return (written && Finish(std::move(file), pending)) || Failed(problem, true);
}

bool WriteTextExport(std::FILE* file, const std::vector<std::string>& captions,
                     CCycleBuffer<_VCI_CAN_OBJ>& frameStore, const ExportRowContext& context,
                     const PassSplit& split) {
    std::string header;
    AppendHeaderLine(header, captions);
    if (!WriteAll(file, header)) return false;
    return WriteFrameLines(file, frameStore.View(), split,
                           [&](std::int64_t i, const _VCI_CAN_OBJ& frame, std::string& out) {
                               AppendExportLine(out, i, frame, context);
                           }) &&
           std::fflush(file) == 0;
}

bool WriteTextExportFile(const std::filesystem::path& path,
                         const std::vector<std::string>& captions,
                         CCycleBuffer<_VCI_CAN_OBJ>& frameStore, const ExportRowContext& context,
                         const PassSplit& split, FileWriteProblem* problem) {
    errno = 0;
    FilePtr file(std::fopen(path.c_str(), "w+b"));
    if (!file) return Failed(problem, false);
    if (!WriteTextExport(file.get(), captions, frameStore, context, split))
        return Failed(problem, true);
    return std::fclose(file.release()) == 0 || Failed(problem, true);
}

}  // namespace korvex
