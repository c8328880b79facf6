#include "core/formats/ErrorFrameMap.h"

#include <linux/can/error.h>

#include "core/frame/CanObj.h"

namespace korvex::formats {
namespace {

constexpr std::uint8_t kFifoOverflow = 225;
constexpr std::uint8_t kErrorWarning = 226;
constexpr std::uint8_t kErrorPassive = 227;
constexpr std::uint8_t kArbitrationLost = 228;
constexpr std::uint8_t kBusOff = 230;

constexpr std::uint8_t kOverflow = CAN_ERR_CRTL_RX_OVERFLOW | CAN_ERR_CRTL_TX_OVERFLOW;
constexpr std::uint8_t kWarning = CAN_ERR_CRTL_RX_WARNING | CAN_ERR_CRTL_TX_WARNING;
constexpr std::uint8_t kPassive = CAN_ERR_CRTL_RX_PASSIVE | CAN_ERR_CRTL_TX_PASSIVE;

}  // namespace

ErrorFrame ErrorFrameOfEvent(std::uint8_t eventCode, std::uint8_t subCode) {
    ErrorFrame e;
    switch (eventCode) {
        case kFifoOverflow:
            e.errorClass = CAN_ERR_CRTL;
            e.data[1] = CAN_ERR_CRTL_RX_OVERFLOW;
            break;
        case kErrorWarning:
            e.errorClass = CAN_ERR_CRTL;
            e.data[1] = kWarning;
            break;
        case kErrorPassive:
            e.errorClass = CAN_ERR_CRTL;
            e.data[1] = kPassive;
            break;
        case kArbitrationLost:
            e.errorClass = CAN_ERR_LOSTARB;
            break;
        case kBusOff:
            e.errorClass = CAN_ERR_BUSOFF;
            break;
        case kEventSpanMarker:
            e.errorClass = CAN_ERR_RESTARTED;
            break;
        default:
            e.errorClass = CAN_ERR_PROT | CAN_ERR_BUSERROR;
            break;
    }
    e.data[5] = subCode;
    return e;
}

std::uint8_t EventOfErrorFrame(const ErrorFrame& e) {
    if (e.errorClass & CAN_ERR_BUSOFF) return kBusOff;
    if (e.errorClass & CAN_ERR_CRTL) {
        if (e.data[1] & kPassive) return kErrorPassive;
        if (e.data[1] & kWarning) return kErrorWarning;
        if (e.data[1] & kOverflow) return kFifoOverflow;
    }
    if (e.errorClass & CAN_ERR_LOSTARB) return kArbitrationLost;
    if (e.errorClass == CAN_ERR_RESTARTED) return kEventSpanMarker;
    return kBusErrorEvent;
}

}  // namespace korvex::formats
