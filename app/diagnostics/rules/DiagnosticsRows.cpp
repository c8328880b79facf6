#include "app/diagnostics/rules/DiagnosticsRows.h"

#include <algorithm>
#include <cctype>

#include "app/diagnostics/rules/DiagnosticsIds.h"
#include "core/formats/TextDigits.h"
#include "core/signals/J1939.h"
#include "core/transport/TransportCsv.h"
#include "xtp/XTPResourceManager.h"

namespace korvex::diagnostics {
namespace {

using transport::TransportMessage;
using transport::TransportProtocol;

bool ContainsNoCase(const std::string& text, const std::string& part) {
    if (part.empty()) return true;
    const auto lower = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    return std::search(text.begin(), text.end(), part.begin(), part.end(), lower) != text.end();
}

std::string Address(const TransportMessage& m, std::uint32_t value) {
    std::string text;
    transport::AppendAddressText(text, m, value);
    return text;
}

}  // namespace

CDiagnosticsRows::CDiagnosticsRows(transport::TransportReading r)
    : reading(std::move(r)), episodes(transport::BuildDtcEpisodes(reading.dm1Reports)) {
    std::int64_t last = -1;
    runningLast.reserve(reading.messages.size());
    for (const TransportMessage& m : reading.messages) {
        last = std::max(last, m.last);
        runningLast.push_back(last);
    }
}

bool FilterNarrows(const MessageFilter& next, const MessageFilter& last) {
    return next.protocol == last.protocol && ContainsNoCase(next.address, last.address) &&
           ContainsNoCase(next.text, last.text);
}

std::vector<std::size_t> CDiagnosticsRows::Filter(const MessageFilter& filter,
                                                  const std::vector<std::size_t>* among,
                                                  const transport::SpnNameFn& spnName) const {
    std::vector<std::size_t> shown;
    std::string meaning;
    std::string data;
    const std::size_t count = among != nullptr ? among->size() : reading.messages.size();
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t i = among != nullptr ? (*among)[k] : k;
        const TransportMessage& m = reading.messages[i];
        if (filter.protocol == ProtocolFilter::kIsoTp && m.protocol != TransportProtocol::kIsoTp)
            continue;
        if (filter.protocol == ProtocolFilter::kJ1939 && m.protocol != TransportProtocol::kJ1939Tp)
            continue;
        if (!filter.address.empty() && !ContainsNoCase(Address(m, m.source), filter.address) &&
            !(m.hasTarget && ContainsNoCase(Address(m, m.target), filter.address)))
            continue;
        if (!filter.text.empty()) {
            meaning.clear();
            data.clear();
            transport::AppendMeaning(meaning, m, spnName);
            transport::AppendDataText(data, m);
            if (!ContainsNoCase(meaning, filter.text) && !ContainsNoCase(data, filter.text))
                continue;
        }
        shown.push_back(i);
    }
    return shown;
}

std::string CDiagnosticsRows::MessageCell(std::size_t message, int column, const TimeTextFn& time,
                                          const transport::SpnNameFn& spnName) const {
    const TransportMessage& m = reading.messages[message];
    std::string text;
    switch (column) {
        case 0:
            return std::to_string(m.first);
        case 1:
            return std::to_string(m.last);
        case 2:
            return time(m.last);
        case 3:
            return transport::ProtocolText(m.protocol);
        case 4:
            return Address(m, m.source);
        case 5:
            return m.hasTarget ? Address(m, m.target) : std::string();
        case 6:
            return m.protocol == TransportProtocol::kJ1939Tp ? std::to_string(m.pgn) : "";
        case 7:
            return std::to_string(m.length);
        case 8:
            return XTPLoadString(ids::kStrStatuses + static_cast<std::uint32_t>(m.status));
        case 9:
            transport::AppendDataText(text, m);
            return text;
        default:
            transport::AppendMeaning(text, m, spnName);
            return text;
    }
}

std::string CDiagnosticsRows::FaultCell(std::size_t episode, int column,
                                        const TimeTextFn& time) const {
    const transport::DtcEpisode& e = episodes[episode];
    std::string text;
    switch (column) {
        case 0:
            formats::AppendHexByteText(text, e.source);
            return text;
        case 1:
            return std::to_string(e.spn);
        case 2:
            return std::to_string(e.fmi);
        case 3:
            return std::to_string(e.occurrences);
        case 4:
            return std::to_string(e.first);
        case 5:
            return std::to_string(e.last);
        case 6:
            return time(e.first);
        case 7:
            return time(e.last);
        case 8:
            return std::to_string(e.reports);
        default:
            return XTPLoadString(e.activeAtEnd ? ids::kStrYes : ids::kStrNo);
    }
}

bool CDiagnosticsRows::BelongsTo(const TransportMessage& m, const _VCI_CAN_OBJ& frame) const {
    if (EventCode(frame) != 0 || frame.RemoteFlag != 0) return false;
    const bool extended = frame.ExternFlag != 0;
    if (m.protocol == TransportProtocol::kIsoTp)
        return extended == m.extended &&
               (frame.ID == m.source || (m.hasTarget && frame.ID == m.target));
    const std::uint32_t format = signaldb::ParameterGroupNumber(frame.ID) & 0xFF00;
    if (!extended || (format != transport::kPgnTpCm && format != transport::kPgnTpDt)) return false;
    const std::uint32_t source = frame.ID & 0xFF;
    const std::uint32_t destination = (frame.ID >> 8) & 0xFF;
    return (source == m.source && destination == m.target) ||
           (source == m.target && destination == m.source);
}

std::vector<std::int64_t> CDiagnosticsRows::FramesOf(std::size_t message,
                                                     const FrameView& frames) const {
    const TransportMessage& m = reading.messages[message];
    std::vector<std::int64_t> out;
    for (std::int64_t i = m.first; i <= m.last && i < frames.Count(); ++i)
        if (BelongsTo(m, frames[i])) out.push_back(i);
    return out;
}

std::int64_t CDiagnosticsRows::MessageOfFrame(std::int64_t index, const FrameView& frames) const {
    if (index < 0 || index >= frames.Count()) return -1;
    const auto after =
        std::upper_bound(reading.messages.begin(), reading.messages.end(), index,
                         [](std::int64_t i, const TransportMessage& m) { return i < m.first; });
    for (auto k = static_cast<std::int64_t>(after - reading.messages.begin()) - 1; k >= 0; --k) {
        if (runningLast[static_cast<std::size_t>(k)] < index) break;
        const TransportMessage& m = reading.messages[static_cast<std::size_t>(k)];
        if (m.last >= index && BelongsTo(m, frames[index])) return k;
    }
    return -1;
}

std::vector<std::uint8_t> CDiagnosticsRows::Sources() const {
    std::vector<std::uint8_t> sources;
    for (const transport::DtcEpisode& e : episodes) sources.push_back(e.source);
    std::sort(sources.begin(), sources.end());
    sources.erase(std::unique(sources.begin(), sources.end()), sources.end());
    return sources;
}

std::vector<CDiagnosticsRows::TimelineSlot> CDiagnosticsRows::TimelineSlots(
    std::vector<int>& rows) const {
    const std::vector<std::uint8_t> sources = Sources();
    std::vector<std::vector<std::pair<std::uint32_t, std::uint8_t>>> codes(sources.size());
    for (const transport::DtcEpisode& e : episodes) {
        const auto lane = static_cast<std::size_t>(
            std::lower_bound(sources.begin(), sources.end(), e.source) - sources.begin());
        codes[lane].emplace_back(e.spn, e.fmi);
    }
    rows.clear();
    for (auto& lane : codes) {
        std::sort(lane.begin(), lane.end());
        lane.erase(std::unique(lane.begin(), lane.end()), lane.end());
        rows.push_back(static_cast<int>(lane.size()));
    }
    std::vector<TimelineSlot> places;
    for (const transport::DtcEpisode& e : episodes) {
        const auto lane = static_cast<std::size_t>(
            std::lower_bound(sources.begin(), sources.end(), e.source) - sources.begin());
        const auto& laneCodes = codes[lane];
        const auto row =
            std::lower_bound(laneCodes.begin(), laneCodes.end(), std::pair{e.spn, e.fmi}) -
            laneCodes.begin();
        places.push_back({static_cast<int>(lane), static_cast<int>(row)});
    }
    return places;
}

double TimelineX(std::int64_t index, std::int64_t frames, double width) {
    if (frames <= 1) return 0;
    return static_cast<double>(index) * width / static_cast<double>(frames - 1);
}

std::int64_t TimelineFrame(double x, std::int64_t frames, double width) {
    if (frames <= 1 || width <= 0) return 0;
    const auto index = static_cast<std::int64_t>(x * static_cast<double>(frames - 1) / width + 0.5);
    return std::clamp<std::int64_t>(index, 0, frames - 1);
}

}  // namespace korvex::diagnostics
