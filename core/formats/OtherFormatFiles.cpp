#include "core/formats/OtherFormatFiles.h"

#include "core/formats/LoadDataFile.h"

namespace korvex::formats {

ReadResult ImportOtherFormatFile(const std::filesystem::path& path, const LoadRequest& request,
                                 CKorvexGlobal& global) {
    return LoadDataFile(path, std::nullopt, request, global);
}

const DataFormatInfo& ExportFormatFor(const std::filesystem::path& path) {
    const DataFormatInfo* info = FindFormatByFileName(path);
    // A capture is written as pcapng, which the readers of .pcap files read too.
    if (info != nullptr && info->format == DataFormat::kPcap)
        return FormatInfo(DataFormat::kPcapng);
    if (info != nullptr && (info->format == DataFormat::kAsc || info->format == DataFormat::kCsv ||
                            info->format == DataFormat::kBlf || info->format == DataFormat::kTrc ||
                            info->format == DataFormat::kPcapng))
        return *info;
    return FormatInfo(DataFormat::kCandump);
}

bool ExportOtherFormatFile(const std::filesystem::path& path, const WriteSource& source) {
    return ExportFormatFor(path).write(path, source, WriteOptions{});
}

}  // namespace korvex::formats
