#include "cli/CliLanguage.h"

#include <cerrno>
#include <cstdlib>

#include "app/resources/rules/BuiltInResources.h"
#include "core/ApplyLanguage.h"
#include "core/EventTexts.h"
#include "core/LanguageList.h"
#include "share/GenGlobal.h"

namespace korvex::cli {
namespace {

std::int32_t& CurrentIndex() {
    static std::int32_t index = 0;
    return index;
}

bool ParseLanguageIndex(const std::string& text, int& out) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v > 100000) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

bool TakeLanguageOption(std::vector<std::string>& args, int& index, std::string& error) {
    index = -1;
    for (std::size_t i = 0; i < args.size();) {
        if (args[i] != kLanguageOption) {
            ++i;
            continue;
        }
        if (i + 1 >= args.size() || !ParseLanguageIndex(args[i + 1], index)) {
            error = std::string(kLanguageOption) + " needs a language index (0, 1, ...)";
            return false;
        }
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                   args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    }
    return true;
}

bool InstallCliLanguage(const std::filesystem::path& settingsFolder,
                        const std::filesystem::path& installedLanguageFolder, int requested,
                        std::string& error) {
    InstallBuiltInResources();
    ReloadEventTexts();
    CurrentIndex() = 0;
    if (settingsFolder.empty() && requested < 0) return true;
    std::vector<name_share::LanguageEntry> languages;
    std::int32_t chosen = 0;
    LoadLanguageList(LanguageFolder(settingsFolder, installedLanguageFolder) / kLanguageListName,
                     languages, chosen);
    const int index = requested >= 0 ? requested : chosen;
    if (languages.empty() && requested < 0) return true;
    if (!ApplyLanguage(languages, LanguageFileFolders(settingsFolder, installedLanguageFolder),
                       index)) {
        // A stored choice outside the list keeps the built-in texts, as the
        // program does; a choice on the command line is a mistake to report.
        if (requested < 0) return true;
        error = std::string(kLanguageOption) + " " + std::to_string(requested) +
                ": the language list has " + std::to_string(languages.size()) + " entries";
        return false;
    }
    CurrentIndex() = index;
    return true;
}

std::int32_t CliLanguageIndex() {
    return CurrentIndex();
}

}  // namespace korvex::cli
