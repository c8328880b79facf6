#pragma once

#include <filesystem>
#include <optional>

#include "core/formats/DataFormatTable.h"

class CKorvexGlobal;

namespace korvex::formats {

// Loads any data file into the program's state (clock list, sinks, counters),
// the way the frame list's own import does: the format as given, otherwise
// the one its contents fit (a .can file's layout from its size). A file that
// fits none is refused (kUnknownFormat).
ReadResult LoadDataFile(const std::filesystem::path& path, std::optional<DataFormat> format,
                        const LoadRequest& request, CKorvexGlobal& global);

// The format LoadDataFile reads `path` as; none when no format fits.
std::optional<DataFormat> InputFormatOf(const std::filesystem::path& path,
                                        std::optional<DataFormat> format);

}  // namespace korvex::formats
