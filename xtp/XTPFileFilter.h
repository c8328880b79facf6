#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "xtp/XtpExport.h"

// One entry of a file dialog filter: its description and its patterns
// ("*.txt", or several separated by ';').
struct XTPFileFilterEntry {
    std::string description;
    std::string patterns;
};

// Splits a filter of the form "Text File(*.txt)|*.txt|Data(*.can)|*.can||"
// into its entries. Reading stops at an empty description (the closing "||")
// or at a description without patterns.
KORVEX_XTP_API std::vector<XTPFileFilterEntry> ParseFileFilter(std::string_view filter);

// The entries as Qt name filters joined by ";;": a description that already
// ends in its patterns in parentheses is kept as it is ("Text File(*.txt)"),
// others get them appended ("All files (*.*)"); ';' between patterns becomes
// a blank.
KORVEX_XTP_API std::string QtNameFilters(std::string_view filter);

// The extension a name without one gets when entry `selected` of the filter
// is chosen: that entry's first pattern's extension when it is a plain one
// ("*.can" gives "can"), else the default extension up to its first '|'.
KORVEX_XTP_API std::string DefaultSuffix(std::string_view filter, int selected,
                                         std::string_view defaultExt);

// `path` with "." and `suffix` appended when its file name has no dot and the
// suffix is not empty; otherwise `path` unchanged.
KORVEX_XTP_API std::string WithDefaultSuffix(const std::string& path, std::string_view suffix);
