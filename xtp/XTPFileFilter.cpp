#include "xtp/XTPFileFilter.h"

namespace {

std::string PatternsWithBlanks(std::string patterns) {
    for (char& c : patterns) {
        if (c == ';') c = ' ';
    }
    return patterns;
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

std::vector<XTPFileFilterEntry> ParseFileFilter(std::string_view filter) {
    std::vector<XTPFileFilterEntry> entries;
    while (!filter.empty()) {
        const std::size_t bar = filter.find('|');
        const std::string_view description = filter.substr(0, bar);
        if (description.empty() || bar == std::string_view::npos) break;
        filter.remove_prefix(bar + 1);
        const std::size_t end = filter.find('|');
        const std::string_view patterns = filter.substr(0, end);
        if (patterns.empty()) break;
        entries.push_back({std::string(description), std::string(patterns)});
        if (end == std::string_view::npos) break;
        filter.remove_prefix(end + 1);
    }
    return entries;
}

std::string QtNameFilters(std::string_view filter) {
    std::string out;
    for (const XTPFileFilterEntry& entry : ParseFileFilter(filter)) {
        if (!out.empty()) out += ";;";
        const std::string patterns = PatternsWithBlanks(entry.patterns);
        out += entry.description;
        if (!EndsWith(entry.description, "(" + patterns + ")")) out += " (" + patterns + ")";
    }
    return out;
}

std::string DefaultSuffix(std::string_view filter, int selected, std::string_view defaultExt) {
    const std::vector<XTPFileFilterEntry> entries = ParseFileFilter(filter);
    if (selected >= 0 && static_cast<std::size_t>(selected) < entries.size()) {
        const std::string& patterns = entries[static_cast<std::size_t>(selected)].patterns;
        const std::string first = patterns.substr(0, patterns.find(';'));
        if (first.size() > 2 && first.compare(0, 2, "*.") == 0 &&
            first.find_first_of("*?.", 2) == std::string::npos)
            return first.substr(2);
    }
    return std::string(defaultExt.substr(0, defaultExt.find('|')));
}

std::string WithDefaultSuffix(const std::string& path, std::string_view suffix) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (suffix.empty() || nameStart >= path.size() ||
        path.find('.', nameStart) != std::string::npos)
        return path;
    return path + "." + std::string(suffix);
}
