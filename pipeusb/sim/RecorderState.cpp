#include "pipeusb/sim/RecorderState.h"

#include <cstring>

namespace pipeusb {

namespace {
constexpr std::uint32_t kTiming250k = 0x001C0008;
constexpr std::uint32_t kFactorySendIntervalMs = 1000;
}  // namespace

RecorderConfig FactoryConfig(const std::uint8_t* clock) {
    RecorderConfig c;
    std::uint8_t* b = c.baseInfo.data();
    StoreU32(b + 0, kTiming250k);
    StoreU32(b + 4, 0);  // table bit rate, not the custom register
    StoreU32(b + 8, kTiming250k);
    StoreU32(b + 12, kFactorySendIntervalMs);
    StoreU32(b + 16, 1);  // terminating resistor on
    b[20] = 0;            // filter off
    b[21] = 1;            // normal mode
    b[22] = 0;            // IO output low
    std::memcpy(b + kClockOffset, clock, kClockSize);
    return c;
}

}  // namespace pipeusb
