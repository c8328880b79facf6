#include "core/discover/DiscoveryTable.h"

#include <bit>
#include <cinttypes>
#include <cstdio>

#include "core/discover/DraftDbc.h"

namespace korvex::discover {

std::string DiscoveryTable(const std::vector<MessageDiscovery>& messages) {
    std::string text;
    char line[256];
    for (const MessageDiscovery& m : messages) {
        const int constant = std::popcount(m.constantBits);
        std::snprintf(line, sizeof line,
                      "%s  id 0x%" PRIX32 "%s  %d bytes  %" PRId64 " frames  %d constant bits",
                      DraftMessageName(m.key).c_str(), m.key.id, m.key.extended ? " (ext)" : "",
                      m.key.length, m.frames, constant);
        text += line;
        const std::string status = StatusFinding(m);
        text += status.empty() ? "\n" : "  " + status + "\n";
        if (m.fields.empty()) continue;
        std::snprintf(line, sizeof line, "  %-10s %5s %6s  %-8s  %-8s  %-25s  %s\n", "signal",
                      "start", "length", "order", "sign", "range", "found");
        text += line;
        const std::vector<std::string> names = DraftFieldNames(m);
        for (std::size_t i = 0; i < m.fields.size(); ++i) {
            const FoundField& f = m.fields[i];
            char range[64];
            std::snprintf(range, sizeof range, "%" PRId64 "..%" PRId64, f.minimum, f.maximum);
            std::snprintf(line, sizeof line, "  %-10s %5d %6d  %-8s  %-8s  %-25s  ",
                          names[i].c_str(), DbcStartBit(f.bits), f.bits.length,
                          f.bits.order == ByteOrder::kIntel ? "Intel" : "Motorola",
                          f.isSigned ? "signed" : "unsigned", range);
            text += line + FieldFinding(m, f) + "\n";
        }
    }
    return text;
}

}  // namespace korvex::discover
