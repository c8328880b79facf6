#include "core/DataFileWriter.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "core/DataFileReader.h"

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
                       CCycleBuffer<_VCI_CAN_OBJ>& frameStore) {
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    std::string pending;
    pending.reserve(kFlushBytes + kFrameRecordSize);
    AppendSignatureBlock(pending);
    const auto n = static_cast<std::uint32_t>(origTimeList.size());
    pending.append(reinterpret_cast<const char*>(&n), sizeof n);
    for (const OrigTimeEntry& entry : origTimeList) {
        pending.append(reinterpret_cast<const char*>(&entry), sizeof entry);
        if (!FlushIfFull(file.get(), pending)) return false;
    }
    const int count = frameStore.GetCount();
    _VCI_CAN_OBJ frame;
    for (int i = 0; i < count && frameStore.Get(i, &frame); ++i) {
        pending.append(reinterpret_cast<const char*>(&frame), sizeof frame);
        if (!FlushIfFull(file.get(), pending)) return false;
    }
    return Finish(std::move(file), pending);
}

bool WriteTextExport(std::FILE* file, const std::vector<std::string>& captions,
                     CCycleBuffer<_VCI_CAN_OBJ>& frameStore, const ExportRowContext& context) {
    std::string pending;
    pending.reserve(kFlushBytes + 512);
    AppendHeaderLine(pending, captions);
    const int count = frameStore.GetCount();
    _VCI_CAN_OBJ frame;
    for (int i = 0; i < count && frameStore.Get(i, &frame); ++i) {
        AppendExportLine(pending, i, frame, context);
        if (!FlushIfFull(file, pending)) return false;
    }
    return WriteAll(file, pending) && std::fflush(file) == 0;
}

bool WriteTextExportFile(const std::filesystem::path& path,
                         const std::vector<std::string>& captions,
                         CCycleBuffer<_VCI_CAN_OBJ>& frameStore, const ExportRowContext& context) {
    FilePtr file(std::fopen(path.c_str(), "w+b"));
    if (!file) return false;
    if (!WriteTextExport(file.get(), captions, frameStore, context)) return false;
    return std::fclose(file.release()) == 0;
}

}  // namespace korvex
