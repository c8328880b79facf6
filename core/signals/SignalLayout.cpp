#include "core/signals/SignalLayout.h"

namespace korvex::signaldb {

long long MotorolaFirstPosition(int startBit) {
    return 8LL * (startBit / 8) + 7 - startBit % 8;
}

long long SignalBytesNeeded(const DbcSignal& signal) {
    const long long last = signal.byteOrder == ByteOrder::kIntel
                               ? static_cast<long long>(signal.startBit) + signal.length - 1
                               : MotorolaFirstPosition(signal.startBit) + signal.length - 1;
    return last / 8 + 1;
}

bool SignalFitsLength(const DbcSignal& signal, long long bytes) {
    return signal.startBit >= 0 && signal.length >= 1 && SignalBytesNeeded(signal) <= bytes;
}

}  // namespace korvex::signaldb
