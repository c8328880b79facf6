#pragma once

#include <cstddef>
#include <cstdint>

// One CAN frame as the whole program holds it: uploaded from the recorder, read
// from a data file or shown in the frame list. Data files hold these 24 bytes
// as they stand, so the layout is fixed (little-endian, no padding).
struct _VCI_CAN_OBJ {
    std::uint32_t ID;         // 11-bit or 29-bit identifier; 0 in an event record
    std::uint32_t TimeStamp;  // recorder time, 0.1 ms units
    std::uint8_t TimeFlag;    // 1 when TimeStamp is valid
    std::uint8_t SendType;    // 0xFF: the recorder transmitted it; else received
    std::uint8_t RemoteFlag;  // 1 for a remote frame
    std::uint8_t ExternFlag;  // 1 for a 29-bit identifier
    std::uint8_t DataLen;     // 0 to 8
    std::uint8_t Data[8];
    // [0] event code (0 ordinary frame, 0xFF clock record), [1] clock index
    // (0xFF: none), [2] event sub-code.
    std::uint8_t Reserved[3];
};

static_assert(sizeof(_VCI_CAN_OBJ) == 24);
static_assert(offsetof(_VCI_CAN_OBJ, ID) == 0);
static_assert(offsetof(_VCI_CAN_OBJ, TimeStamp) == 4);
static_assert(offsetof(_VCI_CAN_OBJ, TimeFlag) == 8);
static_assert(offsetof(_VCI_CAN_OBJ, SendType) == 9);
static_assert(offsetof(_VCI_CAN_OBJ, RemoteFlag) == 10);
static_assert(offsetof(_VCI_CAN_OBJ, ExternFlag) == 11);
static_assert(offsetof(_VCI_CAN_OBJ, DataLen) == 12);
static_assert(offsetof(_VCI_CAN_OBJ, Data) == 13);
static_assert(offsetof(_VCI_CAN_OBJ, Reserved) == 21);

namespace korvex {

inline constexpr std::uint8_t kSendTypeTransmitted = 0xFF;
inline constexpr std::uint8_t kEventClockRecord = 0xFF;
inline constexpr std::uint8_t kEventSpanMarker = 0xFE;
inline constexpr std::uint8_t kNoClockIndex = 0xFF;

inline std::uint8_t EventCode(const _VCI_CAN_OBJ& f) {
    return f.Reserved[0];
}
inline std::uint8_t ClockIndex(const _VCI_CAN_OBJ& f) {
    return f.Reserved[1];
}
inline std::uint8_t EventSubCode(const _VCI_CAN_OBJ& f) {
    return f.Reserved[2];
}

// A run handed to a frame list with `received` 0 holds frames the recorder
// transmitted itself: every frame list stores them marked so.
inline void MarkTransmitted(_VCI_CAN_OBJ* frames, int count, int received) {
    if (received != 0) return;
    for (int i = 0; i < count; ++i) frames[i].SendType = kSendTypeTransmitted;
}

}  // namespace korvex
