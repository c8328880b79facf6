#include "app/analysis/rules/SearchHistory.h"

#include <algorithm>

#include "app/common/rules/HexText.h"

namespace korvex {
namespace {

bool BeginsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size()) return false;
    std::string a(text.substr(0, prefix.size()));
    std::string b(prefix);
    ToLowerAscii(a.data(), a.size());
    ToLowerAscii(b.data(), b.size());
    return a == b;
}

}  // namespace

std::string SearchHistoryKey(SearchCondition condition, int index) {
    static constexpr const char* kPrefixes[kConditionCount] = {"Include", "Equal", "UnEqual",
                                                               "Bigger", "Smaller"};
    return kPrefixes[condition] + std::to_string(index);
}

void CSearchHistory::Load(const std::function<std::string(int index)>& read) {
    entries.clear();
    for (int i = 0; i < kStoredEntries; ++i) {
        std::string text = read(i);
        if (text.empty()) break;
        entries.push_back(std::move(text));
    }
}

void CSearchHistory::Store(
    const std::function<void(int index, const std::string& text)>& write) const {
    const int count = std::min(static_cast<int>(entries.size()), kStoredEntries);
    for (int i = 0; i < count; ++i) write(i, entries[static_cast<std::size_t>(i)]);
}

std::string CSearchHistory::Record(std::string_view text) {
    std::string trimmed(TrimBlanks(text));
    if (trimmed.empty()) return trimmed;
    const std::size_t n = entries.size();
    for (std::size_t k = 1; k <= n; ++k) {
        const std::size_t i = k % n;
        if (BeginsWithIgnoringCase(entries[i], trimmed)) {
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    entries.insert(entries.begin(), trimmed);
    return trimmed;
}

}  // namespace korvex
