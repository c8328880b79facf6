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

void FormatExportCells(long long row, const _VCI_CAN_OBJ& frame, const ExportRowContext& context,
                       ExportCells& cells) {
    static const std::vector<OrigTimeEntry> kNoClockList;
    FormatRowNumber(row, cells[0]);
    FormatTimeColumn(frame, context.timeShowType,
                     context.origTimeList ? *context.origTimeList : kNoClockList, cells[1]);
    cells[2].clear();
    if (context.alias) context.alias(frame, cells[2]);

    char** texts = nullptr;
    int count = 0;
    if (context.analyCANFrame) context.analyCANFrame(&frame, &texts, &count);
    for (int i = 0; i < kExportProtocolTexts; ++i) {
        std::string& cell = cells[static_cast<std::size_t>(3 + i)];
        cell.clear();
        if (texts && i < count && texts[i]) cell = texts[i];
    }
    cells[kExportCells - 1] = EventText(EventCode(frame));
}

void AppendExportLine(std::string& out, long long row, const _VCI_CAN_OBJ& frame,
                      const ExportRowContext& context) {
    // Kept per thread so that a line costs no allocation once the texts fit.
    thread_local ExportCells cells;
    FormatExportCells(row, frame, context, cells);
    for (const std::string& cell : cells) {
        out += cell;
        out += '\t';
    }
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
