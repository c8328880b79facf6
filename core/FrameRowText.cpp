#include "core/FrameRowText.h"

#include "core/frame/DecimalText.h"
#include "core/frame/TimeText.h"

namespace korvex {

void FormatRowNumber(long long row, std::string& text) {
    text.clear();
    AppendRowNumber(text, row);
}

void AppendRowNumber(std::string& out, long long row) {
    char digits[24];
    char* end = digits;
    if (row < 0) *end++ = '-';
    end = PutDecimal(end, row < 0 ? 0ull - static_cast<unsigned long long>(row)
                                  : static_cast<unsigned long long>(row));
    out.append(digits, static_cast<std::size_t>(end - digits));
}

int RowNumberDigits(long long rows) {
    int digits = 1;
    for (long long last = rows - 1; last >= 10; last /= 10) ++digits;
    return digits;
}

void FormatTimeColumn(const _VCI_CAN_OBJ& frame, std::uint8_t timeShowType,
                      const std::vector<OrigTimeEntry>& origTimeList, std::string& text) {
    if (timeShowType != 0) {
        FormatRelativeTime(frame, text);
    } else if (ClockIndex(frame) != kNoClockIndex) {
        FormatClockTime(frame, ClockIndex(frame), origTimeList, text);
    } else {
        text.clear();
    }
}

namespace {

const std::vector<OrigTimeEntry>& ClockList(const ExportRowContext& context) {
    static const std::vector<OrigTimeEntry> kNoClockList;
    return context.origTimeList ? *context.origTimeList : kNoClockList;
}

void AppendField(std::string& out, long long row, const _VCI_CAN_OBJ& frame, int column,
                 const ExportRowContext& context) {
    AppendCellText(out, row, frame, column, context);
    out += '\t';
}

// Hands take(i, text) each of the five texts of AnalyCANFrame; text is empty
// for one a plug-in does not give. The plug-in's texts live in buffers of the
// calling thread until its next call, so the upload's worker (real-time save),
// the passes' threads and the user-interface thread may all ask at once.
template <typename Take>
void ForEachProtocolText(const _VCI_CAN_OBJ& frame, const ExportRowContext& context, Take take) {
    char** texts = nullptr;
    int count = 0;
    if (context.analyCANFrame) context.analyCANFrame(&frame, &texts, &count);
    for (int i = 0; i < kExportProtocolTexts; ++i)
        take(i, texts && i < count && texts[i] ? texts[i] : "");
}

// The five protocol texts, each followed by a tab.
void AppendProtocolTexts(std::string& out, const _VCI_CAN_OBJ& frame,
                         const ExportRowContext& context) {
    ForEachProtocolText(frame, context, [&out](int, const char* text) {
        out += text;
        out += '\t';
    });
}

}  // namespace

void FormatCellText(long long row, const _VCI_CAN_OBJ& frame, int column,
                    const ExportRowContext& context, std::string& text) {
    switch (column) {
        case kColumnTime:
            FormatTimeColumn(frame, context.timeShowType, ClockList(context), text);
            return;
        case kColumnAlias:
            text.clear();
            if (context.alias) context.alias(frame, text);
            return;
        default:
            text.clear();
            AppendCellText(text, row, frame, column, context);
            return;
    }
}

void AppendCellText(std::string& out, long long row, const _VCI_CAN_OBJ& frame, int column,
                    const ExportRowContext& context) {
    switch (column) {
        case kColumnRow:
            AppendRowNumber(out, row);
            return;
        case kColumnTime:
        case kColumnAlias: {
            // One buffer per thread, so that a cell costs no allocation.
            thread_local std::string field;
            FormatCellText(row, frame, column, context, field);
            out += field;
            return;
        }
        case kColumnRemark:
            out += EventText(EventCode(frame));
            return;
        default:
            break;
    }
    if (!context.analyPartofCANFrame) return;
    char* part = nullptr;
    context.analyPartofCANFrame(&frame, &part, column);
    if (part) out += part;
}

void AppendExportLine(std::string& out, long long row, const _VCI_CAN_OBJ& frame,
                      const ExportRowContext& context) {
    AppendField(out, row, frame, kColumnRow, context);
    AppendField(out, row, frame, kColumnTime, context);
    AppendField(out, row, frame, kColumnAlias, context);
    AppendProtocolTexts(out, frame, context);
    AppendField(out, row, frame, kColumnRemark, context);
    out += "\r\n";
}

void FormatExportCells(long long row, const _VCI_CAN_OBJ& frame, const ExportRowContext& context,
                       ExportCells& cells) {
    FormatCellText(row, frame, kColumnRow, context, cells[0]);
    FormatCellText(row, frame, kColumnTime, context, cells[1]);
    FormatCellText(row, frame, kColumnAlias, context, cells[2]);
    ForEachProtocolText(frame, context, [&cells](int i, const char* text) {
        cells[static_cast<std::size_t>(3 + i)] = text;
    });
    FormatCellText(row, frame, kColumnRemark, context, cells[kExportCells - 1]);
}

void AppendCopyLine(std::string& out, long long row, const _VCI_CAN_OBJ& frame,
                    const ExportRowContext& context) {
    AppendField(out, row, frame, kColumnRow, context);
    AppendField(out, row, frame, kColumnTime, context);
    AppendField(out, row, frame, kColumnAlias, context);
    AppendField(out, row, frame, 3, context);
    AppendProtocolTexts(out, frame, context);
    out += "\r\n";
}

void AppendHeaderLine(std::string& out, const std::vector<std::string>& captions) {
    for (const std::string& caption : captions) {
        out += caption;
        out += '\t';
    }
    out += "\r\n";
}

}  // namespace korvex
