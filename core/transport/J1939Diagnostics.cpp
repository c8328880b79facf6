#include "core/transport/J1939Diagnostics.h"

#include "core/transport/TransportAssembler.h"

namespace korvex::transport {
namespace {

struct GroupName {
    std::uint32_t pgn;
    const char* name;
};

constexpr GroupName kGroups[] = {
    {59904, "request (RQST)"},
    {59392, "acknowledgement (ACKM)"},
    {60928, "address claimed (AC)"},
    {64965, "ECU identification (ECUID)"},
    {65226, "DM1 active diagnostic trouble codes"},
    {65227, "DM2 previously active diagnostic trouble codes"},
    {65228, "DM3 diagnostic data clear of previously active DTCs"},
    {65229, "DM4 freeze frame parameters"},
    {65230, "DM5 diagnostic readiness"},
    {65235, "DM11 diagnostic data clear of active DTCs"},
    {65236, "DM12 emissions-related active DTCs"},
    {65242, "software identification (SOFT)"},
    {65249, "retarder configuration (RC)"},
    {65250, "transmission configuration (TC)"},
    {65251, "engine configuration (EC1)"},
    {65259, "component identification (CI)"},
    {65260, "vehicle identification (VI)"},
    {65261, "cruise control/vehicle speed setup (CCSS)"},
    {65262, "engine temperature 1 (ET1)"},
    {65265, "cruise control/vehicle speed (CCVS)"},
    {61444, "electronic engine controller 1 (EEC1)"},
};

const char* LampState(int value) {
    static const char* const kStates[] = {"off", "on", "error", "not available"};
    return kStates[value & 3];
}

}  // namespace

bool ReadDiagnosticMessage(std::span<const std::uint8_t> data, DiagnosticMessage& out) {
    out.codes.clear();
    if (data.size() < 2) return false;
    out.lamps = data[0];
    out.flashes = data[1];
    for (std::size_t at = 2; at + 4 <= data.size(); at += 4) {
        TroubleCode code;
        code.spn =
            data[at] | (data[at + 1] << 8) | (static_cast<std::uint32_t>(data[at + 2] >> 5) << 16);
        code.fmi = data[at + 2] & 0x1F;
        code.conversionMethod = (data[at + 3] & 0x80) != 0;
        code.occurrences = data[at + 3] & 0x7F;
        const bool none = code.spn == 0 && code.fmi == 0;
        const bool allOnes = code.spn == 0x7FFFF && code.fmi == 0x1F;
        if (!none && !allOnes) out.codes.push_back(code);
    }
    return true;
}

const char* ParameterGroupName(std::uint32_t pgn) {
    for (const GroupName& g : kGroups)
        if (g.pgn == pgn) return g.name;
    return nullptr;
}

void AppendLampText(std::string& out, std::uint8_t lamps, std::uint8_t flashes) {
    static const char* const kLamps[] = {"MIL", "red stop lamp", "amber warning lamp",
                                         "protect lamp"};
    for (int k = 0; k < 4; ++k) {
        const int shift = 6 - 2 * k;
        if (k > 0) out += ", ";
        out += kLamps[k];
        out += ' ';
        const int state = (lamps >> shift) & 3;
        out += LampState(state);
        const int flash = (flashes >> shift) & 3;
        if (state == 1 && flash < 2) out += flash == 0 ? " (slow flash)" : " (fast flash)";
    }
}

void AppendJ1939Meaning(std::string& out, std::uint32_t pgn, std::span<const std::uint8_t> data,
                        const SpnNameFn& spnName) {
    const char* name = ParameterGroupName(pgn);
    out += name != nullptr ? name : "PGN " + std::to_string(pgn);
    DiagnosticMessage dm;
    if ((pgn != kPgnDm1 && pgn != kPgnDm2) || !ReadDiagnosticMessage(data, dm)) return;
    out += ": ";
    AppendLampText(out, dm.lamps, dm.flashes);
    if (dm.codes.empty()) out += "; no active fault";
    for (const TroubleCode& c : dm.codes) {
        out += "; SPN " + std::to_string(c.spn) + " FMI " + std::to_string(c.fmi) + " OC " +
               std::to_string(c.occurrences) + " CM " + (c.conversionMethod ? "1" : "0");
        if (spnName) {
            const std::string spn = spnName(c.spn);
            if (!spn.empty()) out += " (" + spn + ")";
        }
    }
}

}  // namespace korvex::transport
