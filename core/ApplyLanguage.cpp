#include "core/ApplyLanguage.h"

#include <clocale>
#include <memory>
#include <system_error>

#include "app/resources/rules/BuiltInResources.h"
#include "core/EventTexts.h"
#include "core/KorvexGlobal.h"
#include "protolens/include/protolens.h"
#include "xtp/XTPResourceManagerXMLEx.h"

namespace korvex {
namespace {

// Sets every category but the numbers' from the entry's locale, one by one:
// LC_NUMERIC stays "C" throughout, even for the moment of the switch while
// another thread formats, since a decimal comma in a data file or export
// would make it unreadable elsewhere. A locale the system lacks changes none.
void SetProgramLocale(const std::string& locale) {
    static constexpr int kCategories[] = {
        LC_CTYPE, LC_COLLATE, LC_TIME,      LC_MONETARY,    LC_MESSAGES,      LC_PAPER,
        LC_NAME,  LC_ADDRESS, LC_TELEPHONE, LC_MEASUREMENT, LC_IDENTIFICATION};
    if (!locale.empty()) {
        for (int category : kCategories) std::setlocale(category, locale.c_str());
    }
    std::setlocale(LC_NUMERIC, "C");
}

std::string PluginModuleName() {
    // GetModuleName writes "ProtoLens" and its terminating zero.
    char name[64] = {};
    GetModuleName(name);
    name[sizeof name - 1] = '\0';
    return name;
}

}  // namespace

std::vector<std::filesystem::path> LanguageFileFolders(
    const std::filesystem::path& settingsFolder,
    const std::filesystem::path& installedLanguageFolder) {
    std::vector<std::filesystem::path> folders;
    if (!settingsFolder.empty()) folders.push_back(settingsFolder / "language");
    if (!installedLanguageFolder.empty()) folders.push_back(installedLanguageFolder);
    return folders;
}

std::filesystem::path FindLanguageFile(const std::vector<std::filesystem::path>& folders,
                                       const std::string& name) {
    // A name that leaves the folder ("../x", "/etc/x") is not a language file.
    const std::filesystem::path file(name);
    if (name.empty() || file.has_root_path() || file.filename() != file) return {};
    for (const std::filesystem::path& folder : folders) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(folder / file, ec)) return folder / file;
    }
    return {};
}

std::string PluginLanguageFileName(const std::string& fileName) {
    return PluginModuleName() + "_" + fileName;
}

bool ApplyLanguage(const std::vector<name_share::LanguageEntry>& languages,
                   const std::vector<std::filesystem::path>& folders, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= languages.size()) return false;
    const name_share::LanguageEntry& entry = languages[static_cast<std::size_t>(index)];
    // A missing file gives a manager that serves the built-in resources.
    auto manager = std::make_unique<CXTPResourceManagerXMLEx>(
        FindLanguageFile(folders, entry.strFileName), BuiltInResourceTable());
    const std::filesystem::path pluginFile =
        FindLanguageFile(folders, PluginLanguageFileName(entry.strFileName));
    if (!pluginFile.empty()) manager->Merge(pluginFile);
    if (!XTPSetResourceManager(std::move(manager))) return false;
    ReloadEventTexts();
    SetProgramLocale(entry.strLocale);
    return true;
}

bool ApplyLanguage(CKorvexGlobal& global, int index) {
    if (!ApplyLanguage(
            global.vecLanguage,
            LanguageFileFolders(global.SettingsFolderPath(), global.InstalledLanguageFolderPath()),
            index))
        return false;
    global.iCurLanguage = index;
    return true;
}

}  // namespace korvex
