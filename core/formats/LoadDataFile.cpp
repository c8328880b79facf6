#include "core/formats/LoadDataFile.h"

#include "core/formats/FormatDetect.h"

namespace korvex::formats {

std::optional<DataFormat> InputFormatOf(const std::filesystem::path& path,
                                        std::optional<DataFormat> format) {
    if (format) return format;
    const std::optional<DataFormat> detected = DetectFormat(path);
    if (detected == DataFormat::kSnapshot) return ChooseCanLayout(path);
    return detected;
}

ReadResult LoadDataFile(const std::filesystem::path& path, std::optional<DataFormat> format,
                        const LoadRequest& request, CKorvexGlobal& global) {
    const std::optional<DataFormat> chosen = InputFormatOf(path, format);
    if (!chosen) return Refused(ReadStatus::kUnknownFormat);
    const DataFormatInfo& info = FormatInfo(*chosen);
    if (info.read == nullptr) return Refused(ReadStatus::kNotDataFile);
    return info.read(path, request, global);
}

}  // namespace korvex::formats
