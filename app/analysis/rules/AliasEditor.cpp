#include "app/analysis/rules/AliasEditor.h"

#include <algorithm>

namespace korvex {
namespace {

// The list box orders its lines without regard to the case of ASCII letters.
bool LessIgnoringCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        return static_cast<unsigned char>(lower(x)) < static_cast<unsigned char>(lower(y));
    });
}

}  // namespace

CAliasEditor::CAliasEditor(const std::vector<AliasEntry>& stored) {
    for (const AliasEntry& entry : stored) InsertSorted({AliasLineText(entry), entry});
}

int CAliasEditor::InsertSorted(Line line) {
    const auto at = std::upper_bound(
        lines.begin(), lines.end(), line.text,
        [](const std::string& text, const Line& l) { return LessIgnoringCase(text, l.text); });
    const auto index = at - lines.begin();
    lines.insert(at, std::move(line));
    return static_cast<int>(index);
}

std::uint32_t CAliasEditor::Add(const AliasFields& fields, const std::string& name, int& line) {
    AliasEntry entry;
    if (const std::uint32_t refusal = ReadAliasKey(fields, entry.key)) return refusal;
    entry.strName = name;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].entry.key == entry.key) {
            lines[i].entry.strName = name;
            lines[i].text = AliasLineText(lines[i].entry);
            line = static_cast<int>(i);
            return 0;
        }
    }
    std::string text = AliasLineText(entry);
    line = InsertSorted({std::move(text), std::move(entry)});
    return 0;
}

int CAliasEditor::Delete(const std::vector<int>& selected) {
    std::vector<int> order = selected;
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    std::erase_if(order, [this](int i) { return i < 0 || i >= static_cast<int>(lines.size()); });
    if (order.empty()) return -1;
    for (auto it = order.rbegin(); it != order.rend(); ++it) lines.erase(lines.begin() + *it);
    if (lines.empty()) return -1;
    return std::max(order.front() - 1, 0);
}

int CAliasEditor::FindLine(std::string_view text) const {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].text == text) return static_cast<int>(i);
    return -1;
}

std::vector<AliasEntry> CAliasEditor::Entries() const {
    std::vector<AliasEntry> entries;
    entries.reserve(lines.size());
    for (const Line& line : lines) entries.push_back(line.entry);
    return entries;
}

}  // namespace korvex
