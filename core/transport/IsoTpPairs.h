#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Which identifiers carry ISO-TP and who their partners are.
namespace korvex::transport {

// What an identifier is to ISO-TP.
struct IsoTpRole {
    std::uint32_t partner = 0;  // where flow control for its messages comes from
    bool functional = false;    // a functional request: no partner
};

class CIsoTpPairs {
  public:
    // The standard diagnostic identifiers: 0x7E0–0x7E7 with 0x7E8–0x7EF,
    // functional 0x7DF, and on 29 bits normal fixed addressing 0x18DA<TA><SA>
    // with 0x18DA<SA><TA>, functional 0x18DB33<SA>.
    static CIsoTpPairs Standard();
    // No identifier.
    static CIsoTpPairs None();
    // "none", or "REQ:RESP[,REQ:RESP…]" in hexadecimal ("0x" optional); an
    // identifier written with more than 3 digits is a 29-bit one. Nothing,
    // with the reason in `error`, for any other text.
    static std::optional<CIsoTpPairs> Parse(std::string_view text, std::string& error);

    // The role of an identifier, none when it carries no ISO-TP.
    std::optional<IsoTpRole> Find(std::uint32_t id, bool extended) const;
    bool Empty() const { return !standard && pairs.empty(); }

  private:
    struct Entry {
        std::uint64_t key;  // identifier, bit 32 set for 29 bits
        std::uint32_t partner;
    };
    bool standard = false;
    std::vector<Entry> pairs;  // sorted by key
};

}  // namespace korvex::transport
