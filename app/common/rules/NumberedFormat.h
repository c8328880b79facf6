#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

// Numbered texts that go to a formatting function. A language file may say
// anything, so its text is used as a format only when it reads the same
// arguments as the built-in text; otherwise the built-in text is used.
namespace korvex {

// The arguments a printf-style format reads, one entry per argument, each
// its length modifier and a letter for the kind of value ("i" int, "lli"
// long long, "u" unsigned, "f" double, "s" string, "c", "p"; a "*" width or
// precision reads an "i"). Nothing for a format that a language file may not
// use: "%n", numbered arguments ("%1$s"), an incomplete or unknown conversion,
// or a width or precision above 999.
std::optional<std::string> FormatArguments(std::string_view format);

// True when `text` reads the same arguments as `builtIn`, in number, order
// and kind.
bool SameConversions(std::string_view text, std::string_view builtIn);

// The text of string `id` to be used as a format: the installed resource
// manager's text when its conversions are those of the built-in text of
// `id`, otherwise the built-in text (empty when there is none).
std::string LoadFormatString(std::uint32_t id);

// The text of string `id` formatted by printf with `args`, which must be the
// arguments its built-in text reads.
template <typename... Args>
std::string FormatString(std::uint32_t id, Args... args) {
    const std::string format = LoadFormatString(id);
    const int size = std::snprintf(nullptr, 0, format.c_str(), args...);
    if (size <= 0) return {};
    std::string text(static_cast<std::size_t>(size), '\0');
    std::snprintf(text.data(), text.size() + 1, format.c_str(), args...);
    return text;
}

}  // namespace korvex
