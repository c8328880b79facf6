#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "core/formats/DataFormatTable.h"

namespace korvex::formats {

// How many bytes of a file the detection looks at.
inline constexpr std::size_t kDetectBytes = 64 * 1024;

// The format a file's contents fit: the .can signature (kSnapshot; the
// layout is for ChooseCanLayout), BLF's "LOGG", TRC's ";$FILEVERSION" (or
// the numbered message lines of version 1.0), ASC's "date"/"base" header,
// candump's "(time)" lines, the header and rows of the CSV logs. The format
// of the file name's extension decides where the contents fit several, and
// for a file with nothing in it; none when nothing fits.
std::optional<DataFormat> DetectFormat(const std::filesystem::path& path);
// The same for the first bytes of a file (`head`), given the format of its
// extension.
std::optional<DataFormat> DetectFormatOfBytes(std::string_view head,
                                              std::optional<DataFormat> byExtension);

}  // namespace korvex::formats
