#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// J1939 parameter groups by name, and the fault codes of DM1/DM2 (J1939-73).
namespace korvex::transport {

// One diagnostic trouble code of a DM1 or DM2.
struct TroubleCode {
    std::uint32_t spn = 0;         // 19 bits
    std::uint8_t fmi = 0;          // 5 bits
    std::uint8_t occurrences = 0;  // 7 bits
    bool conversionMethod = false;
};

struct DiagnosticMessage {
    std::uint8_t lamps = 0;    // MIL bits 7–6, red stop 5–4, amber warning 3–2, protect 1–0
    std::uint8_t flashes = 0;  // the same for their flash states
    std::vector<TroubleCode> codes;  // without the "no active fault" entries
};

// Reads a DM1/DM2 message; false when it is shorter than its lamp status.
// Entries SPN 0 / FMI 0 and all-ones entries say there is no fault and are
// left out, as is a last entry cut short.
bool ReadDiagnosticMessage(std::span<const std::uint8_t> data, DiagnosticMessage& out);

// The name of a common parameter group, nullptr for others.
const char* ParameterGroupName(std::uint32_t pgn);

// The name of an SPN, empty when none is known.
using SpnNameFn = std::function<std::string(std::uint32_t spn)>;

// Appends "MIL off, red stop lamp off, amber warning lamp on, protect lamp
// off", a lamp that flashes with its flash rate.
void AppendLampText(std::string& out, std::uint8_t lamps, std::uint8_t flashes);

// Appends the meaning of a transported J1939 message: the group's name and,
// for DM1/DM2, the lamps and every fault code ("SPN 110 FMI 0 OC 3 CM 0",
// with the SPN's name when `spnName` knows it).
void AppendJ1939Meaning(std::string& out, std::uint32_t pgn, std::span<const std::uint8_t> data,
                        const SpnNameFn& spnName);

}  // namespace korvex::transport
