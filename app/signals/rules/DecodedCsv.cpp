#include "app/signals/rules/DecodedCsv.h"

#include <charconv>

#include "core/formats/CsvFormat.h"
#include "core/signals/SignalText.h"

namespace korvex::signaldb {

void AppendDecodedCsvLine(std::string& out, long long index, std::string_view time,
                          const _VCI_CAN_OBJ& frame, const CompiledMessage& message, int signal,
                          const DecodedSignal& decoded) {
    const DbcSignal& s = message.message->signalList[signal];
    char number[24];
    out.append(number, std::to_chars(number, number + sizeof number, index).ptr);
    out += ',';
    formats::AppendCsvField(out, time);
    out += ',';
    AppendIdText(out, frame.ID, frame.ExternFlag != 0);
    out += ',';
    formats::AppendCsvField(out, message.message->name);
    out += ',';
    formats::AppendCsvField(out, s.name);
    out += ',';
    AppendRawText(out, message.signalList[signal], decoded);
    out += ',';
    AppendPhysicalText(out, message.signalList[signal].format, decoded.value);
    out += ',';
    formats::AppendCsvField(out, s.unit);
    out += ',';
    if (decoded.text != nullptr) formats::AppendCsvField(out, *decoded.text);
    out += '\n';
}

bool WriteDecodedCsvLines(std::FILE* file, const CSignalDecoder& decoder,
                          const SignalSelection& selected, const FrameView& frames,
                          const ExportRowContext& context, const PassSplit& split) {
    // The lines of one block and its frames' time text.
    struct Lines {
        std::string text;
        std::string time;
    };
    const CompiledMessage* first = decoder.Messages().data();
    return RunSplitPass<Lines>(
        frames.Count(), split,
        [&](std::int64_t begin, std::int64_t end, Lines& lines) {
            lines.text.clear();
            frames.ForEachRun(begin, end, [&](std::int64_t start, const _VCI_CAN_OBJ* run, int n) {
                long long timeIndex = -1;
                DecodeFrames(
                    decoder, run, static_cast<std::size_t>(n), start,
                    [&](long long index, const _VCI_CAN_OBJ& frame, const CompiledMessage& message,
                        int signal, const DecodedSignal& decoded) {
                        if (selected[&message - first][signal] == 0) return;
                        if (timeIndex != index) {
                            FormatCellText(index, frame, kColumnTime, context, lines.time);
                            timeIndex = index;
                        }
                        AppendDecodedCsvLine(lines.text, index, lines.time, frame, message, signal,
                                             decoded);
                    });
            });
        },
        [&](std::int64_t, std::int64_t, Lines& lines) {
            return std::fwrite(lines.text.data(), 1, lines.text.size(), file) == lines.text.size();
        });
}

}  // namespace korvex::signaldb
