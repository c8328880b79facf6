#include "core/RealTimeSaveFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "core/DataFileReader.h"
#include "core/DataFileWriter.h"

bool CRealTimeSaveFile::Open(const std::filesystem::path& path,
                             const std::vector<std::string>& captions) {
    Close();
    binary = korvex::IsBinaryDataFileName(path);
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    fileBytes = 0;
    writeError = 0;
    pending.clear();
    pending.reserve(kBufferBytes + 1024);
    if (binary) {
        korvex::AppendSignatureBlock(pending);
    } else {
        korvex::AppendHeaderLine(pending, captions);
    }
    Flush();
    if (fileBytes == 0) {
        ::close(fd);
        fd = -1;
        return false;
    }
    rtCount = 0;
    return true;
}

void CRealTimeSaveFile::WriteRun(const _VCI_CAN_OBJ* frames, int count,
                                 const korvex::ExportRowContext& context) {
    if (fd < 0 || frames == nullptr || count <= 0) return;
    for (int i = 0; i < count; ++i) {
        if (binary) {
            pending.append(reinterpret_cast<const char*>(&frames[i]), sizeof frames[i]);
        } else {
            korvex::AppendExportLine(pending, rtCount++, frames[i], context);
        }
        if (pending.size() >= kBufferBytes) Flush();
    }
}

std::size_t CRealTimeSaveFile::WholeRecordBytes(std::size_t bytes) const {
    // The opening and every frame end a record: a stream record is whole at a
    // multiple of its size after the signature block, a text line at its "\r\n"
    // (a remark may hold a line feed of its own).
    if (binary) {
        const auto first = fileBytes == 0 ? korvex::kSignatureBlockSize : std::size_t{0};
        if (bytes < first) return 0;
        return bytes - (bytes - first) % korvex::kFrameRecordSize;
    }
    if (bytes < 2) return 0;
    const std::size_t lineEnd = pending.rfind("\r\n", bytes - 2);
    return lineEnd == std::string::npos ? 0 : lineEnd + 2;
}

void CRealTimeSaveFile::Flush() {
    if (fd < 0 || pending.empty()) return;
    if (writeError != 0) {
        pending.clear();
        return;
    }
    std::size_t done = 0;
    while (done < pending.size()) {
        const ssize_t n = ::pwrite(fd, pending.data() + done, pending.size() - done,
                                   fileBytes + static_cast<off_t>(done));
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            writeError = n < 0 ? errno : ENOSPC;
            break;
        }
    }
    if (done != pending.size()) {
        // A full disk: what did not fit is dropped, and a record cut short is
        // taken off again so that the file still ends on a whole one.
        done = WholeRecordBytes(done);
        (void)!::ftruncate(fd, fileBytes + static_cast<off_t>(done));
    }
    fileBytes += static_cast<off_t>(done);
    unsynced = unsynced || done > 0;
    pending.clear();
}

void CRealTimeSaveFile::Sync() {
    Flush();
    if (fd < 0 || !unsynced) return;
    if (::fdatasync(fd) != 0 && writeError == 0) writeError = errno;
    unsynced = false;
}

void CRealTimeSaveFile::Close() {
    if (fd < 0) return;
    Sync();
    ::close(fd);
    fd = -1;
}
