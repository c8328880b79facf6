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
// pointers to its own buffers for the calling thread (valid until that
// thread's next call) and `count` with their number.
using AnalyCANFrameFn = int (*)(const _VCI_CAN_OBJ* frame, char*** texts, int* count);
// The plug-in's text of one protocol column of a frame, in its own buffer for
// the calling thread.
using AnalyPartofCANFrameFn = int (*)(const _VCI_CAN_OBJ* frame, char** text, int column);

// The alias of a frame: the name of the first alias entry whose key matches
// it, empty when none does.
using AliasTextFn = std::function<void(const _VCI_CAN_OBJ& frame, std::string& text)>;

// The protocol texts that a text line carries after the alias column.
inline constexpr int kExportProtocolTexts = 5;

// Column 0: the row number, from 0.
void FormatRowNumber(long long row, std::string& text);
// The same digits appended to out.
void AppendRowNumber(std::string& out, long long row);
// The digits of the widest row number of a list of `rows` rows (at least one).
int RowNumberDigits(long long rows);

// Column 1: clock time (timeShowType 0; empty for a frame without a clock
// index) or relative time (any other value).
void FormatTimeColumn(const _VCI_CAN_OBJ& frame, std::uint8_t timeShowType,
                      const std::vector<OrigTimeEntry>& origTimeList, std::string& text);

// Column 8: the remark of an event record, each text ending in a line feed;
// empty for event code 0. In the language read last (core/EventTexts.h).
const char* EventText(std::uint8_t eventCode);

// What a line of the text export needs besides the frame.
struct ExportRowContext {
    std::uint8_t timeShowType = 0;
    const std::vector<OrigTimeEntry>* origTimeList = nullptr;
    AnalyCANFrameFn analyCANFrame = nullptr;
    AliasTextFn alias;                                    // none: the alias column stays empty
    AnalyPartofCANFrameFn analyPartofCANFrame = nullptr;  // none: protocol cells stay empty
};

// Item indices of the columns whose text the list makes itself; every other
// column's text comes from the plug-in.
inline constexpr int kColumnRow = 0;
inline constexpr int kColumnTime = 1;
inline constexpr int kColumnAlias = 2;
inline constexpr int kColumnFormat = 4;
inline constexpr int kColumnType = 5;
inline constexpr int kColumnRemark = 8;

// The text of the cell of item index `column` for `frame` shown in `row`: the
// one way the frame list, the row copies and the exports make a cell's text.
void FormatCellText(long long row, const _VCI_CAN_OBJ& frame, int column,
                    const ExportRowContext& context, std::string& text);
// The same text appended to out: the plug-in's, the row number's and the
// remark's without a copy between, for the passes that write millions of cells.
void AppendCellText(std::string& out, long long row, const _VCI_CAN_OBJ& frame, int column,
                    const ExportRowContext& context);

// Appends one line of a copy to the clipboard: columns 0 to 3, then the five
// protocol texts, each followed by a tab, then "\r\n".
void AppendCopyLine(std::string& out, long long row, const _VCI_CAN_OBJ& frame,
                    const ExportRowContext& context);

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
