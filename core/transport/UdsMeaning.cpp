#include "core/transport/UdsMeaning.h"

#include <string>

#include "core/formats/TextDigits.h"

namespace korvex::transport {
namespace {

struct Name {
    std::uint8_t value;
    const char* text;
};

constexpr Name kServices[] = {
    {0x01, "OBD show current data"},
    {0x02, "OBD show freeze frame data"},
    {0x03, "OBD show stored DTCs"},
    {0x04, "OBD clear DTCs and stored values"},
    {0x05, "OBD oxygen sensor monitoring test results"},
    {0x06, "OBD on-board monitoring test results"},
    {0x07, "OBD show pending DTCs"},
    {0x08, "OBD control on-board system"},
    {0x09, "OBD request vehicle information"},
    {0x0A, "OBD permanent DTCs"},
    {0x10, "DiagnosticSessionControl"},
    {0x11, "ECUReset"},
    {0x14, "ClearDiagnosticInformation"},
    {0x19, "ReadDTCInformation"},
    {0x22, "ReadDataByIdentifier"},
    {0x23, "ReadMemoryByAddress"},
    {0x27, "SecurityAccess"},
    {0x28, "CommunicationControl"},
    {0x2E, "WriteDataByIdentifier"},
    {0x2F, "InputOutputControlByIdentifier"},
    {0x31, "RoutineControl"},
    {0x34, "RequestDownload"},
    {0x35, "RequestUpload"},
    {0x36, "TransferData"},
    {0x37, "RequestTransferExit"},
    {0x3E, "TesterPresent"},
    {0x85, "ControlDTCSetting"},
};

constexpr Name kResponseCodes[] = {
    {0x10, "generalReject"},
    {0x11, "serviceNotSupported"},
    {0x12, "subFunctionNotSupported"},
    {0x13, "incorrectMessageLengthOrInvalidFormat"},
    {0x14, "responseTooLong"},
    {0x21, "busyRepeatRequest"},
    {0x22, "conditionsNotCorrect"},
    {0x24, "requestSequenceError"},
    {0x31, "requestOutOfRange"},
    {0x33, "securityAccessDenied"},
    {0x35, "invalidKey"},
    {0x36, "exceedNumberOfAttempts"},
    {0x37, "requiredTimeDelayNotExpired"},
    {0x70, "uploadDownloadNotAccepted"},
    {0x71, "transferDataSuspended"},
    {0x72, "generalProgrammingFailure"},
    {0x73, "wrongBlockSequenceCounter"},
    {0x78, "requestCorrectlyReceived-ResponsePending"},
    {0x7E, "subFunctionNotSupportedInActiveSession"},
    {0x7F, "serviceNotSupportedInActiveSession"},
};

constexpr Name kSessions[] = {{0x01, "defaultSession"},
                              {0x02, "programmingSession"},
                              {0x03, "extendedDiagnosticSession"},
                              {0x04, "safetySystemDiagnosticSession"}};
constexpr Name kResets[] = {{0x01, "hardReset"},
                            {0x02, "keyOffOnReset"},
                            {0x03, "softReset"},
                            {0x04, "enableRapidPowerShutDown"},
                            {0x05, "disableRapidPowerShutDown"}};
constexpr Name kDtcReports[] = {
    {0x01, "reportNumberOfDTCByStatusMask"},     {0x02, "reportDTCByStatusMask"},
    {0x03, "reportDTCSnapshotIdentification"},   {0x04, "reportDTCSnapshotRecordByDTCNumber"},
    {0x06, "reportDTCExtDataRecordByDTCNumber"}, {0x0A, "reportSupportedDTC"}};
constexpr Name kRoutineControls[] = {
    {0x01, "startRoutine"}, {0x02, "stopRoutine"}, {0x03, "requestRoutineResults"}};
constexpr Name kTesterPresent[] = {{0x00, "zeroSubFunction"}};

template <std::size_t N>
const char* Find(const Name (&table)[N], std::uint8_t value) {
    for (const Name& n : table)
        if (n.value == value) return n.text;
    return nullptr;
}

// "Name (0xNN)", or "service 0xNN" for an unknown one.
void AppendNamed(std::string& out, const char* name, std::uint8_t value) {
    if (name != nullptr) {
        out += name;
        out += " (";
        formats::AppendHexByteText(out, value);
        out += ')';
    } else {
        formats::AppendHexByteText(out, value);
    }
}

// The data identifiers at `at`, two bytes each, as "F190"; `all` for a
// request that may ask for several.
void AppendIdentifiers(std::string& out, std::span<const std::uint8_t> m, std::size_t at,
                       bool all) {
    for (; at + 1 < m.size(); at += 2) {
        char text[5] = {' '};
        formats::PutHexByte(formats::PutHexByte(text + 1, m[at]), m[at + 1]);
        out.append(text, sizeof text);
        if (!all) break;
    }
}

void AppendSubFunction(std::string& out, std::uint8_t sid, std::uint8_t value) {
    const std::uint8_t sub = value & 0x7F;
    const char* name = nullptr;
    switch (sid) {
        case 0x10:
            name = Find(kSessions, sub);
            break;
        case 0x11:
            name = Find(kResets, sub);
            break;
        case 0x19:
            name = Find(kDtcReports, sub);
            break;
        case 0x31:
            name = Find(kRoutineControls, sub);
            break;
        case 0x3E:
            name = Find(kTesterPresent, sub);
            break;
        case 0x27:
            name = sub % 2 == 1 ? "requestSeed" : "sendKey";
            break;
        default:
            break;
    }
    out += ' ';
    if (name == nullptr) out += "sub-function ";
    AppendNamed(out, name, sub);
    if (sid == 0x27 && sub != 0) out += " level " + std::to_string((sub + 1) / 2);
    if ((value & 0x80) != 0) out += ", suppress positive response";
}

bool HasSubFunction(std::uint8_t sid) {
    return sid == 0x10 || sid == 0x11 || sid == 0x19 || sid == 0x27 || sid == 0x31 || sid == 0x3E;
}

bool HasIdentifier(std::uint8_t sid) {
    return sid == 0x22 || sid == 0x2E;
}

// What follows the service identifier of a request (`response` false) or a
// positive response.
void AppendParameters(std::string& out, std::span<const std::uint8_t> m, std::uint8_t sid,
                      bool response) {
    if (m.size() < 2) return;
    if (HasSubFunction(sid)) {
        // A positive response echoes the sub-function without its suppress bit.
        AppendSubFunction(out, sid, response ? m[1] & 0x7F : m[1]);
        if (sid == 0x31) AppendIdentifiers(out, m, 2, false);
    } else if (HasIdentifier(sid)) {
        AppendIdentifiers(out, m, 1, sid == 0x22 && !response);
    } else if (sid == 0x01 || sid == 0x02) {
        out += " PID ";
        formats::AppendHexByteText(out, m[1]);
    } else if (sid == 0x09) {
        out += " InfoType ";
        formats::AppendHexByteText(out, m[1]);
    }
}

}  // namespace

const char* UdsServiceName(std::uint8_t sid) {
    return Find(kServices, sid);
}

const char* NegativeResponseName(std::uint8_t code) {
    return Find(kResponseCodes, code);
}

void AppendUdsMeaning(std::string& out, std::span<const std::uint8_t> m) {
    if (m.empty()) return;
    const std::uint8_t first = m[0];
    if (first == 0x7F) {
        out += "negative response (0x7F)";
        if (m.size() < 3) return;
        out += " to ";
        const char* service = UdsServiceName(m[1]);
        if (service == nullptr) out += "service ";
        AppendNamed(out, service, m[1]);
        out += ": ";
        const char* code = NegativeResponseName(m[2]);
        if (code == nullptr) out += "code ";
        AppendNamed(out, code, m[2]);
        return;
    }
    if (const char* name = UdsServiceName(first)) {
        AppendNamed(out, name, first);
        AppendParameters(out, m, first, false);
        return;
    }
    if (first >= 0x40) {
        const std::uint8_t request = first - 0x40;
        if (const char* name = UdsServiceName(request)) {
            out += name;
            out += " positive response (";
            formats::AppendHexByteText(out, first);
            out += ')';
            AppendParameters(out, m, request, true);
            return;
        }
    }
    out += "service ";
    formats::AppendHexByteText(out, first);
}

}  // namespace korvex::transport
