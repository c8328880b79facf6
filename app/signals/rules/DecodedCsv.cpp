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
    AppendNumberText(out, decoded.value);
    out += ',';
    formats::AppendCsvField(out, s.unit);
    out += ',';
    if (decoded.text != nullptr) formats::AppendCsvField(out, *decoded.text);
    out += '\n';
}

}  // namespace korvex::signaldb
