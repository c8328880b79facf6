#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "share/GenGlobal.h"

namespace korvex {

// The list file's place inside a language folder.
inline constexpr char kLanguageListName[] = "config.ini";

// The language folder to read the list from: the settings folder's
// "language/" once it holds a list (the user's own, or the one the program
// saved the chosen language into), else the installation's.
std::filesystem::path LanguageFolder(const std::filesystem::path& settingsFolder,
                                     const std::filesystem::path& installedLanguageFolder);

// One entry "primary|sub|locale|file|name"; missing fields are empty, numbers
// that are not numbers give 0.
name_share::LanguageEntry ParseLanguageEntry(std::string_view text);

// Reads "LANGUAGES"/"Count", entries "0" .. Count-1 and "LAST"/"Sel" from the
// list file. A missing file gives an empty list and index 0; a count above
// 256 is taken as 256. `stored` (when given) tells whether the file held an
// index.
void LoadLanguageList(const std::filesystem::path& listFile,
                      std::vector<name_share::LanguageEntry>& languages, std::int32_t& current,
                      bool* stored = nullptr);

// Writes "LAST"/"Sel" into the settings folder's list. When only the
// installation has a list, it is copied there first so the list stays whole;
// with no list anywhere the index is kept only if "language/" exists.
bool SaveLanguageIndex(const std::filesystem::path& settingsFolder,
                       const std::filesystem::path& installedLanguageFolder, std::int32_t current);

}  // namespace korvex
