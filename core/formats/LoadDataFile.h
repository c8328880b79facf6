#pragma once

#include <filesystem>
#include <optional>

#include "core/formats/DataFormatTable.h"

class CKorvexGlobal;

namespace korvex::formats {

// Loads any data file into the program's state (clock list, sinks, counters),
// the way the frame list's own import does: the format as given, otherwise
// from the file name's extension (a .can file's layout from its size), and
// candump otherwise.
ReadResult LoadDataFile(const std::filesystem::path& path, std::optional<DataFormat> format,
                        const LoadRequest& request, CKorvexGlobal& global);

// The format LoadDataFile reads `path` as.
DataFormat InputFormatOf(const std::filesystem::path& path, std::optional<DataFormat> format);

}  // namespace korvex::formats
