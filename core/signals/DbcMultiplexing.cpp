#include "core/signals/DbcMultiplexing.h"

namespace korvex::signaldb {
namespace {

std::string Quoted(const std::string& s) {
    return "'" + s + "'";
}

int FindSignal(const DbcMessage& m, const std::string& name) {
    for (std::size_t i = 0; i < m.signalList.size(); ++i)
        if (m.signalList[i].name == name) return static_cast<int>(i);
    return -1;
}

}  // namespace

bool ResolveMultiplexing(DbcMessage& m, const std::vector<MuxLink>& links, std::string& reason,
                         int& line) {
    const auto fail = [&](int at, std::string why) {
        line = at;
        reason = std::move(why);
        return false;
    };
    for (const MuxLink& link : links) {
        DbcSignal& s = m.signalList[link.signal];
        const int mux = FindSignal(m, link.multiplexor);
        if (mux < 0)
            return fail(link.line, "message " + Quoted(m.name) + " has no multiplexor " +
                                       Quoted(link.multiplexor) + " for signal " + Quoted(s.name));
        if (!m.signalList[mux].isMultiplexor || static_cast<std::size_t>(mux) == link.signal)
            return fail(link.line, "signal " + Quoted(link.multiplexor) + ", which selects " +
                                       Quoted(s.name) + ", is not a multiplexor (M or mNM)");
        s.multiplexor = mux;
    }
    int plain = -1;
    int plainCount = 0;
    for (std::size_t i = 0; i < m.signalList.size(); ++i) {
        if (m.signalList[i].muxTag != "M") continue;
        if (plain < 0) plain = static_cast<int>(i);
        ++plainCount;
    }
    for (DbcSignal& s : m.signalList) {
        if (!s.isMultiplexed || s.multiplexor >= 0) continue;
        if (plainCount == 0)
            return fail(s.line, "multiplexed signal " + Quoted(s.name) + " of message " +
                                    Quoted(m.name) + " has no multiplexor");
        if (plainCount > 1)
            return fail(s.line, "message " + Quoted(m.name) + " has " + std::to_string(plainCount) +
                                    " multiplexors; signal " + Quoted(s.name) +
                                    " needs an SG_MUL_VAL_ line naming its own");
        s.multiplexor = plain;
    }
    for (const DbcSignal& s : m.signalList) {
        if (s.isMultiplexor && s.valueType != ValueType::kInteger)
            return fail(s.line, "multiplexor " + Quoted(s.name) + " is a floating-point signal");
        int at = s.multiplexor;
        for (std::size_t steps = 0; at >= 0; ++steps) {
            if (steps > m.signalList.size())
                return fail(s.line,
                            "the multiplexors of signal " + Quoted(s.name) + " select each other");
            at = m.signalList[at].multiplexor;
        }
    }
    return true;
}

}  // namespace korvex::signaldb
