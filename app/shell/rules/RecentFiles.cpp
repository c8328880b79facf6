#include "app/shell/rules/RecentFiles.h"

#include <algorithm>

#include "core/DataFileWriter.h"

namespace korvex::shell {

void AddRecentFile(std::vector<std::string>& list, const std::string& path) {
    if (path.empty()) return;
    std::erase(list, path);
    list.insert(list.begin(), path);
    if (list.size() > kRecentFiles) list.resize(kRecentFiles);
}

std::string RecentFileMenuText(std::size_t index, const std::string& path) {
    std::string text = "&" + std::to_string(index + 1) + " ";
    for (const char c : path) {
        if (c == '&') text += '&';
        text += c;
    }
    return text;
}

FileOpening OpeningOf(const std::string& path) {
    return IsBinaryDataFileName(path) ? FileOpening::kDataFile : FileOpening::kOtherFormat;
}

}  // namespace korvex::shell
