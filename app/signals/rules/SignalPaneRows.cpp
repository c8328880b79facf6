#include "app/signals/rules/SignalPaneRows.h"

#include "core/signals/SignalText.h"

namespace korvex::signaldb {

SignalPaneContent SignalPaneRows(const CSignalDecoder& decoder, const _VCI_CAN_OBJ& frame) {
    SignalPaneContent content;
    const CompiledMessage* message = decoder.Find(frame);
    if (message == nullptr) return content;
    content.message = message->message->name;
    CDecodeScratch scratch(message->signalList.size());
    decoder.Decode(*message, frame, scratch, [&](int i, const DecodedSignal& d) {
        const DbcSignal& s = message->message->signalList[i];
        SignalPaneRow row;
        row.name = s.name;
        AppendPhysicalText(row.value, message->signalList[i].format, d.value);
        row.unit = s.unit;
        AppendRawHexText(row.raw, message->signalList[i], d);
        if (d.text != nullptr) row.text = *d.text;
        row.comment = s.comment;
        content.rows.push_back(std::move(row));
    });
    return content;
}

}  // namespace korvex::signaldb
