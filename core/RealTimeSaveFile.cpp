#include "core/RealTimeSaveFile.h"

#include "core/DataFileWriter.h"

bool CRealTimeSaveFile::Open(const std::filesystem::path& path,
                             const std::vector<std::string>& captions) {
    Close();
    binary = korvex::IsBinaryDataFileName(path);
    file = std::fopen(path.c_str(), "w+b");
    if (!file) return false;
    std::setvbuf(file, nullptr, _IOFBF, kBufferBytes);
    std::string opening;
    if (binary) {
        korvex::AppendSignatureBlock(opening);
    } else {
        korvex::AppendHeaderLine(opening, captions);
    }
    if (std::fwrite(opening.data(), 1, opening.size(), file) != opening.size() ||
        std::fflush(file) != 0) {
        Close();
        return false;
    }
    rtCount = 0;
    return true;
}

void CRealTimeSaveFile::Write(const _VCI_CAN_OBJ& frame, const korvex::ExportRowContext& context) {
    if (!file) return;
    if (binary) {
        std::fwrite(&frame, sizeof frame, 1, file);
        return;
    }
    line.clear();
    korvex::AppendExportLine(line, rtCount, frame, context);
    std::fwrite(line.data(), 1, line.size(), file);
    ++rtCount;
}

void CRealTimeSaveFile::WriteRun(const _VCI_CAN_OBJ* frames, int count,
                                 const korvex::ExportRowContext& context) {
    if (!file || frames == nullptr || count <= 0) return;
    if (binary) {
        std::fwrite(frames, sizeof *frames, static_cast<std::size_t>(count), file);
        return;
    }
    line.clear();
    for (int i = 0; i < count; ++i) korvex::AppendExportLine(line, rtCount++, frames[i], context);
    std::fwrite(line.data(), 1, line.size(), file);
}

void CRealTimeSaveFile::Close() {
    if (file) std::fclose(file);
    file = nullptr;
}
