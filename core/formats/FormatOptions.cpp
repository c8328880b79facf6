#include "core/formats/FormatOptions.h"

#include <array>
#include <cctype>

namespace korvex::formats {

std::optional<std::uint8_t> BitRateIndexFromText(std::string_view text) {
    static constexpr std::array<std::string_view, 10> kRates = {
        "1000K", "800K", "500K", "250K", "125K", "100K", "50K", "20K", "10K", "5K"};
    for (std::size_t i = 0; i < kRates.size(); ++i) {
        const std::string_view rate = kRates[i];
        if (rate.size() != text.size()) continue;
        bool same = true;
        for (std::size_t c = 0; c < rate.size() && same; ++c)
            same = std::toupper(static_cast<unsigned char>(text[c])) == rate[c];
        if (same) return static_cast<std::uint8_t>(i);
    }
    return std::nullopt;
}

std::optional<int> ParseChannelNumber(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n < 1 || n > 0xFFFF) return std::nullopt;
    return n;
}

}  // namespace korvex::formats
