#include "core/LanguageMenu.h"

#include <algorithm>

namespace korvex {
namespace {

std::size_t MenuLength(std::size_t count) {
    return std::min<std::size_t>(count, kLanguageCommandLast - kLanguageCommandFirst + 1);
}

}  // namespace

std::vector<LanguageMenuItem> LanguageMenuItems(
    const std::vector<name_share::LanguageEntry>& languages, int current) {
    std::vector<LanguageMenuItem> items;
    const std::size_t n = MenuLength(languages.size());
    items.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        items.push_back({languages[i].strName,
                         kLanguageCommandFirst + static_cast<std::uint32_t>(i),
                         static_cast<int>(i) == current});
    }
    return items;
}

void AppendLanguageMenu(XTPMenu& menu, const std::vector<name_share::LanguageEntry>& languages,
                        int current) {
    XTPMenuItem popup;
    popup.text = kLanguageMenuCaption;
    popup.emptyPopup = true;
    for (const LanguageMenuItem& item : LanguageMenuItems(languages, current))
        popup.popup.push_back({item.text, item.id, {}, item.checked, false});
    menu.items.push_back(std::move(popup));
}

int LanguageIndexOfCommand(std::uint32_t id, std::size_t count) {
    if (id < kLanguageCommandFirst || id > kLanguageCommandLast) return -1;
    const std::size_t index = id - kLanguageCommandFirst;
    return index < MenuLength(count) ? static_cast<int>(index) : -1;
}

}  // namespace korvex
