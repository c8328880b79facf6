#include "app/common/rules/NumberedFormat.h"

#include <array>

#include "xtp/XTPResourceManager.h"

namespace korvex {
namespace {

constexpr std::string_view kFlags = "-+ #0'";
// Longer modifiers first, so that "ll" is not read as "l".
constexpr std::array<std::string_view, 9> kLengths = {"hh", "h", "ll", "l", "j",
                                                      "z",  "t", "L",  "q"};
constexpr std::size_t kMaxFieldDigits = 3;

// The kind letter of conversion `c`, or 0 for one a language file may not use.
char KindOf(char c) {
    switch (c) {
        case 'd':
        case 'i':
            return 'i';
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            return 'u';
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            return 'f';
        case 'c':
        case 's':
        case 'p':
            return c;
        default:
            return 0;
    }
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::optional<std::string> FormatArguments(std::string_view f) {
    std::string kinds;
    std::size_t i = 0;
    // A width or a precision: "*" reads an int; digits must stay short.
    const auto field = [&]() {
        if (i < f.size() && f[i] == '*') {
            kinds += "i,";
            ++i;
            return true;
        }
        std::size_t n = 0;
        for (; i < f.size() && IsDigit(f[i]); ++i)
            if (++n > kMaxFieldDigits) return false;
        return true;
    };
    while (i < f.size()) {
        if (f[i++] != '%') continue;
        if (i < f.size() && f[i] == '%') {
            ++i;
            continue;
        }
        while (i < f.size() && kFlags.find(f[i]) != std::string_view::npos) ++i;
        if (!field()) return std::nullopt;
        if (i < f.size() && f[i] == '.') {
            ++i;
            if (!field()) return std::nullopt;
        }
        std::string_view length;
        for (std::string_view l : kLengths)
            if (f.substr(i).starts_with(l)) {
                length = l == "q" ? "ll" : l;
                i += l.size();
                break;
            }
        const char kind = i < f.size() ? KindOf(f[i]) : 0;
        if (kind == 0) return std::nullopt;
        ++i;
        kinds += length;
        kinds += kind;
        kinds += ',';
    }
    return kinds;
}

bool SameConversions(std::string_view text, std::string_view builtIn) {
    const std::optional<std::string> read = FormatArguments(text);
    const std::optional<std::string> expected = FormatArguments(builtIn);
    return read && expected && *read == *expected;
}

std::string LoadFormatString(std::uint32_t id) {
    CXTPResourceManager* manager = XTPResourceManager();
    const auto& builtIn = manager->BuiltIn().strings;
    const auto found = builtIn.find(id);
    const std::string reference = found == builtIn.end() ? std::string() : found->second;
    std::string text;
    if (manager->LoadString(id, text) && SameConversions(text, reference)) return text;
    return reference;
}

}  // namespace korvex
