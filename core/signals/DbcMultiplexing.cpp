#include "core/signals/DbcMultiplexing.h"

#include <string_view>
#include <unordered_map>

namespace korvex::signaldb {
namespace {

std::string Quoted(const std::string& s) {
    return "'" + s + "'";
}

// Each signal's chain of multiplexors is followed once: a walk stops at a
// signal an earlier walk cleared, and meets its own mark only in a circle.
int SignalInCircle(const DbcMessage& m) {
    const std::size_t n = m.signalList.size();
    std::vector<std::size_t> walkOf(n, n);  // n: not visited
    for (std::size_t start = 0; start < n; ++start) {
        int at = static_cast<int>(start);
        while (at >= 0 && walkOf[at] == n) {
            walkOf[at] = start;
            at = m.signalList[at].multiplexor;
        }
        if (at >= 0 && walkOf[at] == start) return static_cast<int>(start);
    }
    return -1;
}

}  // namespace

bool ResolveMultiplexing(DbcMessage& m, const std::vector<MuxLink>& links, MuxFault& fault) {
    const auto fail = [&](std::size_t signal, int at, std::string why) {
        fault = {signal, at, std::move(why)};
        return false;
    };
    for (DbcSignal& s : m.signalList) s.multiplexor = -1;
    std::unordered_map<std::string_view, std::size_t> byName;
    if (!links.empty())
        for (std::size_t i = 0; i < m.signalList.size(); ++i)
            byName.emplace(m.signalList[i].name, i);
    for (const MuxLink& link : links) {
        DbcSignal& s = m.signalList[link.signal];
        const auto it = byName.find(link.multiplexor);
        if (it == byName.end())
            return fail(link.signal, link.line,
                        "message " + Quoted(m.name) + " has no multiplexor " +
                            Quoted(link.multiplexor) + " for signal " + Quoted(s.name));
        if (!m.signalList[it->second].isMultiplexor || it->second == link.signal)
            return fail(link.signal, link.line,
                        "signal " + Quoted(link.multiplexor) + ", which selects " + Quoted(s.name) +
                            ", is not a multiplexor (M or mNM)");
        s.multiplexor = static_cast<int>(it->second);
    }
    int plain = -1;
    int plainCount = 0;
    for (std::size_t i = 0; i < m.signalList.size(); ++i) {
        if (m.signalList[i].muxTag != "M") continue;
        if (plain < 0) plain = static_cast<int>(i);
        ++plainCount;
    }
    for (std::size_t i = 0; i < m.signalList.size(); ++i) {
        DbcSignal& s = m.signalList[i];
        if (!s.isMultiplexed || s.multiplexor >= 0) continue;
        if (plainCount == 0)
            return fail(i, s.line,
                        "multiplexed signal " + Quoted(s.name) + " of message " + Quoted(m.name) +
                            " has no multiplexor");
        if (plainCount > 1)
            return fail(i, s.line,
                        "message " + Quoted(m.name) + " has " + std::to_string(plainCount) +
                            " multiplexors; signal " + Quoted(s.name) +
                            " needs an SG_MUL_VAL_ line naming its own");
        s.multiplexor = plain;
    }
    for (std::size_t i = 0; i < m.signalList.size(); ++i) {
        const DbcSignal& s = m.signalList[i];
        if (s.isMultiplexor && s.valueType != ValueType::kInteger)
            return fail(i, s.line, "multiplexor " + Quoted(s.name) + " is a floating-point signal");
    }
    if (const int circle = SignalInCircle(m); circle >= 0) {
        const DbcSignal& s = m.signalList[static_cast<std::size_t>(circle)];
        return fail(static_cast<std::size_t>(circle), s.line,
                    "the multiplexors of signal " + Quoted(s.name) + " select each other");
    }
    return true;
}

}  // namespace korvex::signaldb
