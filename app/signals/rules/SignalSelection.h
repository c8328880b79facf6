#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/signals/SignalDecoder.h"

namespace korvex::signaldb {

// "MESSAGE.SIGNAL" split at its first dot; false when either side is empty.
bool SplitSignalName(std::string_view name, std::string& message, std::string& signal);

// The chosen signals, by the decoder's message index and the message's
// signal index: 1 for a chosen signal.
using SignalSelection = std::vector<std::vector<char>>;

// Every signal when `names` is empty, else the signals named "MESSAGE.SIGNAL"
// (a name chooses its signal in every database that has the message).
// `missing` receives the first name that chooses nothing.
SignalSelection SelectSignals(const CSignalDecoder& decoder, const std::vector<std::string>& names,
                              std::string& missing);

// Every signal's "MESSAGE.SIGNAL", each name once, in the decoder's order.
std::vector<std::string> SignalNames(const CSignalDecoder& decoder);

}  // namespace korvex::signaldb
