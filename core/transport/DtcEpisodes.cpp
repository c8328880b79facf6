#include "core/transport/DtcEpisodes.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "core/transport/J1939Diagnostics.h"

namespace korvex::transport {

std::vector<DtcEpisode> BuildDtcEpisodes(const std::vector<Dm1Report>& reports) {
    std::vector<DtcEpisode> episodes;
    // Per source: the episodes its last DM1 listed, by SPN and FMI.
    std::map<std::uint8_t, std::map<std::pair<std::uint32_t, std::uint8_t>, std::size_t>> open;
    DiagnosticMessage dm;
    for (const Dm1Report& report : reports) {
        if (!ReadDiagnosticMessage(report.data, dm)) continue;
        auto& listed = open[report.source];
        std::map<std::pair<std::uint32_t, std::uint8_t>, std::size_t> now;
        for (const TroubleCode& code : dm.codes) {
            const std::pair key{code.spn, code.fmi};
            if (now.count(key) != 0) continue;  // listed twice in one report
            const auto before = listed.find(key);
            std::size_t at = 0;
            if (before != listed.end()) {
                at = before->second;
            } else {
                at = episodes.size();
                DtcEpisode e;
                e.source = report.source;
                e.spn = code.spn;
                e.fmi = code.fmi;
                e.first = report.index;
                episodes.push_back(e);
            }
            DtcEpisode& e = episodes[at];
            e.last = report.index;
            e.occurrences = code.occurrences;
            e.lamps = dm.lamps;
            ++e.reports;
            now.emplace(key, at);
        }
        listed = std::move(now);
    }
    for (const auto& [source, listed] : open)
        for (const auto& [key, at] : listed) episodes[at].activeAtEnd = true;
    std::stable_sort(episodes.begin(), episodes.end(),
                     [](const DtcEpisode& a, const DtcEpisode& b) {
                         return std::tie(a.first, a.source, a.spn, a.fmi) <
                                std::tie(b.first, b.source, b.spn, b.fmi);
                     });
    return episodes;
}

}  // namespace korvex::transport
