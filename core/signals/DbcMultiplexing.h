#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/signals/SignalDatabase.h"

namespace korvex::signaldb {

// An SG_MUL_VAL_ line: signal `signal` of the message is selected by the
// signal named `multiplexor`.
struct MuxLink {
    std::size_t signal = 0;
    std::string multiplexor;
    int line = 0;
};

// Why a message's multiplexing cannot stand: the signal at fault, the line
// that defines or selects it, and the reason.
struct MuxFault {
    std::size_t signal = 0;
    int line = 0;
    std::string reason;
};

// Gives every multiplexed signal of `message` the index of its multiplexor:
// the one an SG_MUL_VAL_ line names, else the message's one plain "M" signal.
// False, with the first fault, when a multiplexed signal has no multiplexor,
// names one that is missing, is no multiplexor or is a floating-point signal,
// or when multiplexors select each other in a circle.
bool ResolveMultiplexing(DbcMessage& message, const std::vector<MuxLink>& links, MuxFault& fault);

}  // namespace korvex::signaldb
