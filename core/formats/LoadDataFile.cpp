#include "core/formats/LoadDataFile.h"

namespace korvex::formats {

DataFormat InputFormatOf(const std::filesystem::path& path, std::optional<DataFormat> format) {
    if (format) return *format;
    const DataFormatInfo* byName = FindFormatByFileName(path);
    if (byName == nullptr || byName->read == nullptr) return DataFormat::kCandump;
    if (byName->format == DataFormat::kSnapshot) return ChooseCanLayout(path);
    return byName->format;
}

ReadResult LoadDataFile(const std::filesystem::path& path, std::optional<DataFormat> format,
                        const LoadRequest& request, CKorvexGlobal& global) {
    const DataFormatInfo& info = FormatInfo(InputFormatOf(path, format));
    if (info.read == nullptr) return ReadResult{ReadStatus::kNotDataFile};
    return info.read(path, request, global);
}

}  // namespace korvex::formats
