#pragma once

#include <filesystem>

namespace korvex {

// The folder of the running program file.
std::filesystem::path ProgramFolder();

// True when a file can be created in `folder` (tried, not guessed from the
// mode bits, which say nothing for root or for read-only mounts).
bool IsWritableFolder(const std::filesystem::path& folder);

// Where the settings files live: the program's folder when it is writable (a
// build tree or a portable install), otherwise $XDG_CONFIG_HOME/Korvex/, with
// ~/.config/Korvex/ when XDG_CONFIG_HOME is unset, empty or relative. The
// fallback folder is created. Null environment values count as unset.
std::filesystem::path ChooseSettingsFolder(const std::filesystem::path& programFolder,
                                           const char* xdgConfigHome, const char* home);

// ChooseSettingsFolder for this program and this environment.
std::filesystem::path SettingsFolder();

// The language files that an installation ships: <prefix>/share/korvex/language
// beside the <prefix>/bin that holds the program.
std::filesystem::path InstalledLanguageFolder(const std::filesystem::path& programFolder);

}  // namespace korvex
