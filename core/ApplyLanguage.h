#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "share/GenGlobal.h"

class CKorvexGlobal;

namespace korvex {

// The main window learns of a language change through this message, with the
// new language index as wParam; it then rebuilds its menus and labels.
inline constexpr unsigned kLanguageChangedMessage = 0x4A0;
// IOCtl code that tells the plug-in the language changed (p: the 32-bit index).
inline constexpr int kPluginLanguageChanged = 15;

// The folders a language's files are looked for in, in order: the settings
// folder's "language/", then the installation's. Empty folders are left out.
std::vector<std::filesystem::path> LanguageFileFolders(
    const std::filesystem::path& settingsFolder,
    const std::filesystem::path& installedLanguageFolder);

// The first of `folders` that holds a file `name`, or empty.
std::filesystem::path FindLanguageFile(const std::vector<std::filesystem::path>& folders,
                                       const std::string& name);

// The plug-in's own file beside a language's main file: "ProtoLens_<file>".
std::string PluginLanguageFileName(const std::string& fileName);

// Applies language `index` of `languages`: installs a language manager built
// from the entry's file over the built-in resources, merges the plug-in's
// file when there is one, and sets the C locale for every category from the
// entry (a locale the system lacks is left out) except LC_NUMERIC, which stays
// "C" so that numbers in files never take a decimal comma. False, changing
// nothing, for an index outside the list or when the manager cannot be
// installed. The caller posts kLanguageChangedMessage and tells the plug-in.
bool ApplyLanguage(const std::vector<name_share::LanguageEntry>& languages,
                   const std::vector<std::filesystem::path>& folders, int index);

// The same for the program's global state, whose current language index
// becomes `index` on success.
bool ApplyLanguage(CKorvexGlobal& global, int index);

}  // namespace korvex
