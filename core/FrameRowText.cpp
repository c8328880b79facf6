#include "core/FrameRowText.h"

#include "core/frame/TimeText.h"

namespace korvex {

void FormatRowNumber(long long row, std::string& text) {
    text = std::to_string(row);
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

const char* EventText(std::uint8_t eventCode) {
    switch (eventCode) {
        case 0:
            return "";
        case 225:
            return "CAN控制器内部FIFO溢出\n";
        case 226:
            return "CAN控制器错误报警\n";
        case 227:
            return "CAN控制器消极错误\n";
        case 228:
            return "CAN控制器仲裁丢失\n";
        case 229:
            return "CAN控制器总线错误\n";
        case 230:
            return "总线关闭错误\n";
        default:
            return "\t没有错误\n";
    }
}

void FormatCellText(int column, long long row, const _VCI_CAN_OBJ& frame,
                    const ExportRowContext& context, std::string& text) {
    static const std::vector<OrigTimeEntry> kNoClockList;
    text.clear();
    switch (column) {
        case 0:
            FormatRowNumber(row, text);
            break;
        case 1:
            FormatTimeColumn(frame, context.timeShowType,
                             context.origTimeList ? *context.origTimeList : kNoClockList, text);
            break;
        case 2:
            if (context.alias) context.alias(frame, text);
            break;
        case 3:
        case 4:
        case 5:
        case 6:
        case 7: {
            char* part = nullptr;
            if (context.analyPartofCANFrame) context.analyPartofCANFrame(&frame, &part, column);
            if (part) text.assign(part);
            break;
        }
        case 8:
            text.assign(EventText(EventCode(frame)));
            break;
        default:
            break;
    }
}

void AppendExportLine(std::string& out, long long row, const _VCI_CAN_OBJ& frame,
                      const ExportRowContext& context) {
    static const std::vector<OrigTimeEntry> kNoClockList;
    std::string field;
    FormatRowNumber(row, field);
    out += field;
    out += '\t';
    FormatTimeColumn(frame, context.timeShowType,
                     context.origTimeList ? *context.origTimeList : kNoClockList, field);
    out += field;
    out += '\t';
    field.clear();
    if (context.alias) context.alias(frame, field);
    out += field;
    out += '\t';

    char** texts = nullptr;
    int count = 0;
    if (context.analyCANFrame) context.analyCANFrame(&frame, &texts, &count);
    for (int i = 0; i < kExportProtocolTexts; ++i) {
        if (texts && i < count && texts[i]) out += texts[i];
        out += '\t';
    }
    out += EventText(EventCode(frame));
    out += "\t\r\n";
}

void AppendHeaderLine(std::string& out, const std::vector<std::string>& captions) {
    for (const std::string& caption : captions) {
        out += caption;
        out += '\t';
    }
    out += "\r\n";
}

}  // namespace korvex
