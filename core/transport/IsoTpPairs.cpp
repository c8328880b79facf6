#include "core/transport/IsoTpPairs.h"

#include <algorithm>
#include <charconv>

namespace korvex::transport {
namespace {

std::uint64_t Key(std::uint32_t id, bool extended) {
    return id | (extended ? std::uint64_t{1} << 32 : 0);
}

// One identifier in hexadecimal; its digit count tells its width.
bool ParseIdentifier(std::string_view text, std::uint32_t& id, bool& extended) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty() || text.size() > 8) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id, 16);
    if (error != std::errc() || end != text.data() + text.size()) return false;
    extended = text.size() > 3;
    return extended ? id <= 0x1FFFFFFF : id <= 0x7FF;
}

}  // namespace

CIsoTpPairs CIsoTpPairs::Standard() {
    CIsoTpPairs pairs;
    pairs.standard = true;
    return pairs;
}

CIsoTpPairs CIsoTpPairs::None() {
    return {};
}

std::optional<CIsoTpPairs> CIsoTpPairs::Parse(std::string_view text, std::string& error) {
    CIsoTpPairs result;
    if (text == "none") return result;
    for (;;) {
        const std::size_t comma = text.find(',');
        const std::string_view pair = text.substr(0, comma);
        const std::size_t colon = pair.find(':');
        std::uint32_t request = 0;
        std::uint32_t response = 0;
        bool requestExtended = false;
        bool responseExtended = false;
        if (colon == std::string_view::npos ||
            !ParseIdentifier(pair.substr(0, colon), request, requestExtended) ||
            !ParseIdentifier(pair.substr(colon + 1), response, responseExtended) ||
            requestExtended != responseExtended || request == response) {
            error = "'" + std::string(pair) +
                    "' is not REQ:RESP (two different identifiers of one width, in hexadecimal)";
            return std::nullopt;
        }
        result.pairs.push_back({Key(request, requestExtended), response});
        result.pairs.push_back({Key(response, responseExtended), request});
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    std::sort(result.pairs.begin(), result.pairs.end(),
              [](const Entry& a, const Entry& b) { return a.key < b.key; });
    const auto twice =
        std::adjacent_find(result.pairs.begin(), result.pairs.end(),
                           [](const Entry& a, const Entry& b) { return a.key == b.key; });
    if (twice != result.pairs.end()) {
        error = "an identifier stands in two pairs";
        return std::nullopt;
    }
    return result;
}

std::optional<IsoTpRole> CIsoTpPairs::Find(std::uint32_t id, bool extended) const {
    if (standard) {
        if (!extended) {
            if (id >= 0x7E0 && id <= 0x7E7) return IsoTpRole{id + 8, false};
            if (id >= 0x7E8 && id <= 0x7EF) return IsoTpRole{id - 8, false};
            if (id == 0x7DF) return IsoTpRole{0, true};
            return std::nullopt;
        }
        const std::uint32_t format = id >> 16;
        if (format == 0x18DA) {
            const std::uint32_t swapped = ((id & 0xFF) << 8) | ((id >> 8) & 0xFF);
            return IsoTpRole{0x18DA0000 | swapped, false};
        }
        if (format == 0x18DB && ((id >> 8) & 0xFF) == 0x33) return IsoTpRole{0, true};
        return std::nullopt;
    }
    const std::uint64_t key = Key(id, extended);
    const auto found = std::lower_bound(pairs.begin(), pairs.end(), key,
                                        [](const Entry& e, std::uint64_t k) { return e.key < k; });
    if (found == pairs.end() || found->key != key) return std::nullopt;
    return IsoTpRole{found->partner, false};
}

}  // namespace korvex::transport
