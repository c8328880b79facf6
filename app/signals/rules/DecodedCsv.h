#pragma once

#include <string>
#include <string_view>

#include "core/signals/SignalDecoder.h"

// The CSV of decoded signals that korvex-cli decode writes and the plot
// window exports: RFC 4180 quoting, UTF-8, "\n" line ends.
namespace korvex::signaldb {

inline constexpr char kDecodedCsvHeader[] = "index,time,id,message,signal,raw,value,unit,text\n";

// Appends the line of one decoded signal of frame `index`, whose time text is
// `time` (the frame list's time column).
void AppendDecodedCsvLine(std::string& out, long long index, std::string_view time,
                          const _VCI_CAN_OBJ& frame, const CompiledMessage& message, int signal,
                          const DecodedSignal& decoded);

}  // namespace korvex::signaldb
