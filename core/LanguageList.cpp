#include "core/LanguageList.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <system_error>

#include "share/AtomicFile.h"
#include "share/ControlIni.h"

namespace korvex {
namespace {

// An entry is read into a buffer of this many characters.
constexpr std::size_t kEntryChars = 100;
// More languages than a menu can hold mean a damaged count; the list stops there.
constexpr std::int32_t kMaxLanguages = 256;

std::int32_t DecimalOrZero(const std::string& text) {
    return static_cast<std::int32_t>(std::strtol(text.c_str(), nullptr, 10));
}

std::filesystem::path OwnListFile(const std::filesystem::path& settingsFolder) {
    return settingsFolder / "language" / kLanguageListName;
}

}  // namespace

std::filesystem::path LanguageFolder(const std::filesystem::path& settingsFolder,
                                     const std::filesystem::path& installedLanguageFolder) {
    std::error_code ec;
    if (installedLanguageFolder.empty() || std::filesystem::exists(OwnListFile(settingsFolder), ec))
        return settingsFolder / "language";
    return installedLanguageFolder;
}

name_share::LanguageEntry ParseLanguageEntry(std::string_view text) {
    std::string fields[5];
    std::size_t field = 0;
    for (char c : text) {
        if (c == '|') {
            if (++field == 5) break;
        } else {
            fields[field] += c;
        }
    }
    name_share::LanguageEntry entry;
    entry.iPrimaryId = DecimalOrZero(fields[0]);
    entry.iSubId = DecimalOrZero(fields[1]);
    entry.strLocale = fields[2];
    entry.strFileName = fields[3];
    entry.strName = fields[4];
    return entry;
}

void LoadLanguageList(const std::filesystem::path& listFile,
                      std::vector<name_share::LanguageEntry>& languages, std::int32_t& current,
                      bool* stored) {
    name_share::CControlIni ini;
    ini.iniPath = listFile.string();
    languages.clear();
    const std::int32_t count = std::min(ini.ReadInt("LANGUAGES", "Count", 0), kMaxLanguages);
    for (std::int32_t i = 0; i < count; ++i) {
        std::string text = ini.ReadString("LANGUAGES", std::to_string(i));
        if (text.size() > kEntryChars) text.resize(kEntryChars);
        languages.push_back(ParseLanguageEntry(text));
    }
    current = ini.ReadInt("LAST", "Sel", 0, stored);
}

bool SaveLanguageIndex(const std::filesystem::path& settingsFolder,
                       const std::filesystem::path& installedLanguageFolder, std::int32_t current) {
    const std::filesystem::path own = OwnListFile(settingsFolder);
    std::error_code ec;
    const std::filesystem::path installed = installedLanguageFolder.empty()
                                                ? std::filesystem::path()
                                                : installedLanguageFolder / kLanguageListName;
    if (!std::filesystem::exists(own, ec) && !installed.empty() &&
        std::filesystem::exists(installed, ec)) {
        std::string list;
        std::filesystem::create_directories(own.parent_path(), ec);
        if (!name_share::ReadWholeFile(installed.string(), list) ||
            !name_share::WriteFileAtomic(own.string(), list))
            return false;
    }
    name_share::CControlIni ini;
    ini.iniPath = own.string();
    return ini.WriteInt("LAST", "Sel", current);
}

}  // namespace korvex
