#pragma once

#include <string>
#include <string_view>

namespace name_share {

// Replaces the file at path with bytes, whole or not at all: the bytes go to
// a temporary file in the same folder, are flushed to disk and the temporary
// file is renamed over path. An existing file keeps its permission bits.
// Returns false (leaving path as it was) on any failure.
bool WriteFileAtomic(const std::string& path, std::string_view bytes);

// Reads the whole file at path into out. Returns false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& out);

}  // namespace name_share
