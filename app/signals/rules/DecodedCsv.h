#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "app/signals/rules/SignalSelection.h"
#include "core/FrameLines.h"
#include "core/FrameRowText.h"
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

// Writes the line of every selected signal of every frame of `frames` to
// `file`, the time texts made with `context`: made in blocks on all cores as
// `split` says and written block after block, so the bytes are those of one
// pass. False when a write fails (nothing is written after it).
bool WriteDecodedCsvLines(std::FILE* file, const CSignalDecoder& decoder,
                          const SignalSelection& selected, const FrameView& frames,
                          const ExportRowContext& context, const PassSplit& split);

}  // namespace korvex::signaldb
