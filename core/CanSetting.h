#pragma once

#include <cstddef>
#include <cstdint>

#include "core/frame/CanObj.h"
#include "logport/include/logport.h"

#pragma pack(push, 1)
// The device setting record kept in DevCfg.ini ("CANSetting"): the recorder's
// base configuration, its filter record and the six preset frames, behind a
// head that the program carries unread.
struct CANSetting {
    std::uint8_t head[72];     // kept as read; zero in a new record
    std::int32_t iReadMarker;  // set to 1 before every read of the record
    BaseInfo baseInfo;
    FilterInfo filterInfo;
    _VCI_CAN_OBJ preFrames[LGP_PRESET_FRAMES];
};
#pragma pack(pop)

static_assert(sizeof(CANSetting) == 2323);
static_assert(offsetof(CANSetting, iReadMarker) == 72);
static_assert(offsetof(CANSetting, baseInfo) == 76);
static_assert(offsetof(CANSetting, filterInfo) == 106);
static_assert(offsetof(CANSetting, preFrames) == 2179);
