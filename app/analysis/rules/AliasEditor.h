#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/analysis/rules/AliasRules.h"
#include "share/SettingsTypes.h"

namespace korvex {

// The alias window's list: deep copies of the stored rules, each with its
// line text, kept sorted by text as the list box sorts. Nothing reaches the
// stored list until the caller takes Entries() (OK); dropping the editor is
// Cancel.
class CAliasEditor {
  public:
    struct Line {
        std::string text;
        AliasEntry entry;
    };

    explicit CAliasEditor(const std::vector<AliasEntry>& stored);

    const std::vector<Line>& Lines() const { return lines; }

    // Adds the rule of `fields` with `name`, or renames the line whose rule has
    // the same key (its text is replaced where it stands). Returns 0 and the
    // line's index in `line`, or the number of the refusing message with
    // nothing changed.
    std::uint32_t Add(const AliasFields& fields, const std::string& name, int& line);

    // Removes the selected lines, last to first. Returns the line that becomes
    // top and current: the one before the first removed line, or line 0; -1
    // when the list is left empty or nothing was removed.
    int Delete(const std::vector<int>& selected);

    // The line whose text is exactly `text`, or -1.
    int FindLine(std::string_view text) const;

    // The rules in list order, for the stored list.
    std::vector<AliasEntry> Entries() const;

  private:
    int InsertSorted(Line line);

    std::vector<Line> lines;
};

}  // namespace korvex
