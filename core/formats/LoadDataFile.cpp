#include "core/formats/LoadDataFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/formats/FormatDetect.h"

namespace korvex::formats {
namespace {

// Why `path` cannot be read (an errno value), 0 when it can. A folder opens,
// but reading it fails: it is said as such, before its format is looked for,
// as is a file that is not there whatever its name. Nothing is opened, so a
// pipe's bytes are left for the reader.
int OpenError(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return errno;
    if (S_ISDIR(status.st_mode)) return EISDIR;
    if (::access(path.c_str(), R_OK) != 0) return errno;
    return 0;
}

}  // namespace

std::optional<DataFormat> InputFormatOf(const std::filesystem::path& path,
                                        std::optional<DataFormat> format) {
    if (format) return format;
    const std::optional<DataFormat> detected = DetectFormat(path);
    if (detected == DataFormat::kSnapshot) return ChooseCanLayout(path);
    return detected;
}

ReadResult LoadDataFile(const std::filesystem::path& path, std::optional<DataFormat> format,
                        const LoadRequest& request, CKorvexGlobal& global) {
    if (const int error = OpenError(path); error != 0) return CannotOpen(error);
    const std::optional<DataFormat> chosen = InputFormatOf(path, format);
    if (!chosen) return Refused(ReadStatus::kUnknownFormat);
    const DataFormatInfo& info = FormatInfo(*chosen);
    if (info.read == nullptr) return Refused(ReadStatus::kNotDataFile);
    return info.read(path, request, global);
}

}  // namespace korvex::formats
