#include "core/transport/TransportCsv.h"

#include <charconv>

#include "core/formats/CsvFormat.h"
#include "core/formats/TextDigits.h"
#include "core/signals/SignalText.h"
#include "core/transport/UdsMeaning.h"

namespace korvex::transport {
namespace {

void AppendNumber(std::string& out, std::int64_t value) {
    char text[24];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// Writes `text` once it holds a good part of a megabyte, and at the end.
bool Flush(std::FILE* file, std::string& text, bool force) {
    if (!force && text.size() < (1u << 20)) return true;
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    text.clear();
    return ok;
}

}  // namespace

void AppendAddressText(std::string& out, const TransportMessage& m, std::uint32_t value) {
    if (m.protocol == TransportProtocol::kJ1939Tp) {
        formats::AppendHexByteText(out, static_cast<std::uint8_t>(value));
    } else {
        signaldb::AppendIdText(out, value, m.extended);
    }
}

void AppendMeaning(std::string& out, const TransportMessage& m, const SpnNameFn& spnName) {
    if (m.protocol == TransportProtocol::kIsoTp) {
        AppendUdsMeaning(out, m.data);
        return;
    }
    const bool whole = m.status == TransportStatus::kComplete;
    AppendJ1939Meaning(
        out, m.pgn, whole ? std::span<const std::uint8_t>(m.data) : std::span<const std::uint8_t>(),
        spnName);
}

void AppendDataText(std::string& out, const TransportMessage& m) {
    for (const std::uint8_t b : m.data) {
        char two[2];
        formats::PutHexByte(two, b);
        out.append(two, sizeof two);
    }
}

void AppendTransportCsvLine(std::string& out, const TransportMessage& m, std::string_view time,
                            const SpnNameFn& spnName) {
    AppendNumber(out, m.first);
    out += ',';
    AppendNumber(out, m.last);
    out += ',';
    formats::AppendCsvField(out, time);
    out += ',';
    out += ProtocolText(m.protocol);
    out += ',';
    AppendAddressText(out, m, m.source);
    out += ',';
    if (m.hasTarget) AppendAddressText(out, m, m.target);
    out += ',';
    if (m.protocol == TransportProtocol::kJ1939Tp) AppendNumber(out, m.pgn);
    out += ',';
    AppendNumber(out, m.length);
    out += ',';
    formats::AppendCsvField(out, StatusText(m.status));
    out += ',';
    AppendDataText(out, m);
    out += ',';
    std::string meaning;
    AppendMeaning(meaning, m, spnName);
    formats::AppendCsvField(out, meaning);
    out += '\n';
}

void AppendDtcCsvLine(std::string& out, const DtcEpisode& e, std::string_view firstTime,
                      std::string_view lastTime) {
    formats::AppendHexByteText(out, e.source);
    out += ',';
    AppendNumber(out, e.spn);
    out += ',';
    AppendNumber(out, e.fmi);
    out += ',';
    AppendNumber(out, e.occurrences);
    out += ',';
    AppendNumber(out, e.first);
    out += ',';
    AppendNumber(out, e.last);
    out += ',';
    formats::AppendCsvField(out, firstTime);
    out += ',';
    formats::AppendCsvField(out, lastTime);
    out += ',';
    AppendNumber(out, e.reports);
    out += ',';
    out += e.activeAtEnd ? "yes" : "no";
    out += '\n';
}

bool WriteTransportCsv(std::FILE* file, const std::vector<TransportMessage>& messages,
                       const FrameView& frames, const ExportRowContext& context,
                       const SpnNameFn& spnName) {
    std::string text = kTransportCsvHeader;
    std::string time;
    bool ok = true;
    for (const TransportMessage& m : messages) {
        FormatCellText(m.last, frames[m.last], kColumnTime, context, time);
        AppendTransportCsvLine(text, m, time, spnName);
        ok = Flush(file, text, false) && ok;
    }
    return Flush(file, text, true) && ok;
}

bool WriteDtcCsv(std::FILE* file, const std::vector<DtcEpisode>& episodes, const FrameView& frames,
                 const ExportRowContext& context) {
    std::string text = kDtcCsvHeader;
    std::string firstTime;
    std::string lastTime;
    bool ok = true;
    for (const DtcEpisode& e : episodes) {
        FormatCellText(e.first, frames[e.first], kColumnTime, context, firstTime);
        FormatCellText(e.last, frames[e.last], kColumnTime, context, lastTime);
        AppendDtcCsvLine(text, e, firstTime, lastTime);
        ok = Flush(file, text, false) && ok;
    }
    return Flush(file, text, true) && ok;
}

}  // namespace korvex::transport
