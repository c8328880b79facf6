#pragma once

#include <string>
#include <vector>

#include "core/signals/SignalDecoder.h"

namespace korvex::signaldb {

// A message of the plot window's tree and those of its signals that the
// filter lets through.
struct SignalTreeMessage {
    int message = 0;  // index among the decoder's messages
    std::vector<int> signalList;
};

// The messages and signals whose names contain every word of `filter`
// (blank-separated, upper and lower case alike) in "MESSAGE.SIGNAL" or in the
// signal's unit or comment. An empty filter lets everything through.
std::vector<SignalTreeMessage> FilterSignalTree(const CSignalDecoder& decoder,
                                                const std::string& filter);

}  // namespace korvex::signaldb
