#pragma once

#include <string>
#include <vector>

#include "core/signals/SignalDecoder.h"

namespace korvex::signaldb {

// One row of the signal pane.
struct SignalPaneRow {
    std::string name;
    std::string value;  // physical value, shortest text
    std::string unit;
    std::string raw;   // hexadecimal, in the signal's width
    std::string text;  // the value table's text, if any
    std::string comment;
};

// What the signal pane shows for a frame: its message's name and one row per
// signal the frame carries. No message: `message` empty and no rows.
struct SignalPaneContent {
    std::string message;
    std::vector<SignalPaneRow> rows;
};

SignalPaneContent SignalPaneRows(const CSignalDecoder& decoder, const _VCI_CAN_OBJ& frame);

}  // namespace korvex::signaldb
