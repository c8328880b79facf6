// Feeds arbitrary bytes to the signal database reader. What it accepts must
// be sound (every signal within its message, every multiplexor resolved), and
// decoding frames of each of its messages must stay within the frame.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/signals/DbcReader.h"
#include "core/signals/SignalDecoder.h"
#include "core/signals/SignalLayout.h"
#include "core/signals/SignalText.h"

using namespace korvex::signaldb;

namespace {

void CheckSound(const DbcDatabase& db) {
    for (const DbcMessage& m : db.messages) {
        for (const DbcSignal& s : m.signalList) {
            if (s.length < 1 || s.length > 64 || !SignalFitsLength(s, m.length)) __builtin_trap();
            if (s.isMultiplexed &&
                (s.multiplexor < 0 || s.multiplexor >= static_cast<int>(m.signalList.size())))
                __builtin_trap();
            if (!s.isMultiplexed && s.multiplexor >= 0) __builtin_trap();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto db = std::make_shared<DbcDatabase>();
    DbcError error;
    std::vector<DbcError> warnings;
    // Lenient reading: every statement it skips names its line.
    const bool read = ParseDbcText(bytes, *db, error, &warnings);
    for (const DbcError& w : warnings)
        if (w.line < 1 || w.reason.empty()) __builtin_trap();
    if (!read) {
        if (error.line < 0 || error.reason.empty() || !db->messages.empty()) __builtin_trap();
        return 0;
    }
    CheckSound(*db);
    const CSignalDecoder decoder({db});
    CDecodeScratch scratch(decoder.MaxSignals());
    std::string text;
    for (const CompiledMessage& m : decoder.Messages()) {
        for (std::uint8_t length = 0; length <= 8; length += 4) {
            _VCI_CAN_OBJ f{};
            f.ID = m.message->id;
            f.ExternFlag = m.message->extended ? 1 : 0;
            f.DataLen = length;
            for (int i = 0; i < 8; ++i) f.Data[i] = static_cast<std::uint8_t>(size * 31 + i * 77);
            if (decoder.Find(f) == nullptr) __builtin_trap();
            decoder.Decode(m, f, scratch, [&](int i, const DecodedSignal& d) {
                DecodedSignal one;
                if (!decoder.DecodeOne(m, i, f, one) || one.raw != d.raw) __builtin_trap();
                text.clear();
                AppendRawText(text, m.signalList[i], d);
                AppendRawHexText(text, m.signalList[i], d);
                text += MultiplexingText(*m.message, m.message->signalList[i]);
            });
        }
    }
    return 0;
}
