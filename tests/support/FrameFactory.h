#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "core/frame/CanObj.h"

namespace korvex::test {

// The 20 bytes that open every data file, written out here rather than taken
// from the code the tests check.
inline const std::string kSignatureBlock("Quorvel CAN Data\0\0\0\0", 20);

// A frame whose every field is derived from n, so that a reader can tell a
// whole frame from a torn one and knows which n it carries.
inline _VCI_CAN_OBJ FrameFromCounter(std::uint32_t n) {
    _VCI_CAN_OBJ f{};
    f.ID = n;
    f.TimeStamp = ~n;
    f.TimeFlag = static_cast<std::uint8_t>(n);
    f.SendType = static_cast<std::uint8_t>(n >> 8);
    f.RemoteFlag = static_cast<std::uint8_t>(n >> 16);
    f.ExternFlag = static_cast<std::uint8_t>(n >> 24);
    f.DataLen = static_cast<std::uint8_t>(n * 7);
    for (int i = 0; i < 8; ++i) f.Data[i] = static_cast<std::uint8_t>(n + static_cast<unsigned>(i));
    for (int i = 0; i < 3; ++i) f.Reserved[i] = static_cast<std::uint8_t>(n ^ (0x55u << i));
    return f;
}

inline bool IsFrameFromCounter(const _VCI_CAN_OBJ& f) {
    const _VCI_CAN_OBJ expected = FrameFromCounter(f.ID);
    return std::memcmp(&expected, &f, sizeof f) == 0;
}

inline _VCI_CAN_OBJ MakeFrame(std::uint32_t id, std::uint32_t timeStamp, std::uint8_t sendType = 0,
                              std::uint8_t eventCode = 0, std::uint8_t clockIndex = 0) {
    _VCI_CAN_OBJ f{};
    f.ID = id;
    f.TimeStamp = timeStamp;
    f.TimeFlag = timeStamp != 0 ? 1 : 0;
    f.SendType = sendType;
    f.DataLen = 8;
    for (int i = 0; i < 8; ++i)
        f.Data[i] = static_cast<std::uint8_t>(id + static_cast<unsigned>(i));
    f.Reserved[0] = eventCode;
    f.Reserved[1] = clockIndex;
    return f;
}

}  // namespace korvex::test
