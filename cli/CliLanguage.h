#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace korvex::cli {

// The global option that picks the language for one run.
inline constexpr char kLanguageOption[] = "--language";

// Takes "--language INDEX" out of `args`, wherever it stands, and gives the
// index (-1 when the option is absent). False, naming the option in `error`,
// when the index is missing or not a number.
bool TakeLanguageOption(std::vector<std::string>& args, int& index, std::string& error);

// Installs the built-in texts, then the language `requested` (-1: the one
// chosen in the settings folder's list, when there is a list) from the
// settings folder's language files and the installation's. False, with
// `error`, when `requested` is not in the list; the built-in texts stay.
bool InstallCliLanguage(const std::filesystem::path& settingsFolder,
                        const std::filesystem::path& installedLanguageFolder, int requested,
                        std::string& error);

// The index of the language installed last (0 before any), which the
// plug-in is told with the texts it takes.
std::int32_t CliLanguageIndex();

}  // namespace korvex::cli
