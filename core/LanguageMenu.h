#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "share/GenGlobal.h"
#include "xtp/XTPResourceManager.h"

namespace korvex {

// Language items carry command 40000 + their index in the list.
inline constexpr std::uint32_t kLanguageCommandFirst = 40000;
inline constexpr std::uint32_t kLanguageCommandLast = 40100;
// The pop-up's caption, the same in every language.
inline constexpr char kLanguageMenuCaption[] = "Language";

// One item of the "Language" pop-up.
struct LanguageMenuItem {
    std::string text;  // the entry's display name
    std::uint32_t id;  // kLanguageCommandFirst + index
    bool checked;      // the language in use
};

// The items in list order; a list longer than the command range ends there.
std::vector<LanguageMenuItem> LanguageMenuItems(
    const std::vector<name_share::LanguageEntry>& languages, int current);

// Appends the "Language" pop-up (a pop-up even when the list is empty) to a
// menu as it was loaded, with the item of `current` checked; call it on a
// freshly loaded menu each time, so that rebuilding never leaves two.
void AppendLanguageMenu(XTPMenu& menu, const std::vector<name_share::LanguageEntry>& languages,
                        int current = -1);

// The language index of a command, or -1 when it is no language item of a
// list of `count` languages.
int LanguageIndexOfCommand(std::uint32_t id, std::size_t count);

}  // namespace korvex
