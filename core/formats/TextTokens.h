#pragma once

#include <cstddef>
#include <string_view>

// Splitting the lines of the text logs into blank-separated words.
namespace korvex::formats {

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The next word of `rest` (empty when none is left); `rest` keeps what follows it.
inline std::string_view NextToken(std::string_view& rest) {
    std::size_t i = 0;
    while (i < rest.size() && IsBlank(rest[i])) ++i;
    std::size_t j = i;
    while (j < rest.size() && !IsBlank(rest[j])) ++j;
    const std::string_view token = rest.substr(i, j - i);
    rest.remove_prefix(j);
    return token;
}

}  // namespace korvex::formats
