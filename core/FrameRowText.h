#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/frame/CanObj.h"
#include "core/frame/OrigTimeEntry.h"

namespace korvex {

// The plug-in's text of all protocol columns of a frame: fills `texts` with
// pointers to its own buffers (valid until its next call) and `count` with
// their number.
using AnalyCANFrameFn = int (*)(const _VCI_CAN_OBJ* frame, char*** texts, int* count);

// The alias of a frame: the name of the first alias entry whose key matches
// it, empty when none does.
using AliasTextFn = std::function<void(const _VCI_CAN_OBJ& frame, std::string& text)>;

// The protocol texts that a text line carries after the alias column.
inline constexpr int kExportProtocolTexts = 5;

// Column 0: the row number, from 0.
void FormatRowNumber(long long row, std::string& text);

// Column 1: clock time (timeShowType 0; empty for a frame without a clock
// index) or relative time (any other value).
void FormatTimeColumn(const _VCI_CAN_OBJ& frame, std::uint8_t timeShowType,
                      const std::vector<OrigTimeEntry>& origTimeList, std::string& text);

// Column 8: the remark of an event record, each text ending in a line feed;
// empty for event code 0.
const char* EventText(std::uint8_t eventCode);

// What a line of the text export needs besides the frame.
struct ExportRowContext {
    std::uint8_t timeShowType = 0;
    const std::vector<OrigTimeEntry>* origTimeList = nullptr;
    AnalyCANFrameFn analyCANFrame = nullptr;
    AliasTextFn alias;  // none: the alias column stays empty
};

// Appends one line of the text export and the real-time text save: columns
// 0, 1 and 2, the five protocol texts, column 8, each followed by a tab, then
// "\r\n". A plug-in that gives fewer than five texts leaves the rest empty.
void AppendExportLine(std::string& out, long long row, const _VCI_CAN_OBJ& frame,
                      const ExportRowContext& context);

// The texts of one line of the text export, in its order: columns 0, 1 and 2,
// the five protocol texts, column 8. The strings keep their room between calls.
inline constexpr int kExportCells = 3 + kExportProtocolTexts + 1;
using ExportCells = std::array<std::string, kExportCells>;
void FormatExportCells(long long row, const _VCI_CAN_OBJ& frame, const ExportRowContext& context,
                       ExportCells& cells);

// Appends the header line: every column caption followed by a tab, "\r\n".
void AppendHeaderLine(std::string& out, const std::vector<std::string>& captions);

}  // namespace korvex
