#pragma once

#include <cstdint>
#include <vector>

#include "core/frame/CanObj.h"
#include "core/frame/OrigTimeEntry.h"

// One recording of the frames that file formats get wrong: standard and
// extended identifiers at their limits, remote frames with and without a
// length, zero and eight data bytes, a transmitted frame, every event code,
// frames without a clock record, and two recording spans ten hours apart
// (the second with a time stamp that wrapped past 2^32). Clock times are
// meant as UTC.
namespace korvex::test {

struct EdgeRecording {
    std::vector<OrigTimeEntry> origTimeList;
    std::vector<_VCI_CAN_OBJ> frames;
};

inline OrigTimeEntry EdgeClock(int year, int month, int day, int h, int m, int s,
                               std::uint32_t stamp, std::uint8_t bitRate) {
    OrigTimeEntry e{};
    e.date[0] = static_cast<std::uint8_t>(year / 100);
    e.date[1] = static_cast<std::uint8_t>(year % 100);
    e.date[2] = static_cast<std::uint8_t>(month);
    e.date[3] = static_cast<std::uint8_t>(day);
    e.hour = static_cast<std::uint8_t>(h);
    e.minute = static_cast<std::uint8_t>(m);
    e.second = static_cast<std::uint8_t>(s);
    e.timeStamp = stamp;
    e.bitRateIndex = bitRate;
    return e;
}

struct EdgeFrameShape {
    std::uint32_t id;
    bool extended;
    bool remote;
    std::uint8_t length;
    std::uint32_t stamp;
    std::uint8_t clockIndex;
    std::uint8_t sendType = 0;
    std::uint8_t eventCode = 0;
    std::uint8_t subCode = 0;
};

inline _VCI_CAN_OBJ EdgeFrame(const EdgeFrameShape& s) {
    _VCI_CAN_OBJ f{};
    f.ID = s.id;
    f.TimeStamp = s.stamp;
    f.TimeFlag = s.stamp != 0 ? 1 : 0;
    f.SendType = s.sendType;
    f.RemoteFlag = s.remote ? 1 : 0;
    f.ExternFlag = s.extended ? 1 : 0;
    f.DataLen = s.length;
    if (!s.remote && s.eventCode == 0)
        for (int i = 0; i < s.length; ++i)
            f.Data[i] = static_cast<std::uint8_t>(0xA0 + 0x11 * i + s.id);
    f.Reserved[0] = s.eventCode;
    f.Reserved[1] = s.clockIndex;
    f.Reserved[2] = s.subCode;
    return f;
}

inline EdgeRecording EdgeFrameCorpus() {
    EdgeRecording r;
    // Span 1 opens at 2023-11-14 22:13:20 with the recorder at stamp 50000;
    // span 2 at 2023-11-15 08:00:00 with the recorder near the top of its count.
    r.origTimeList = {EdgeClock(2023, 11, 14, 22, 13, 20, 50000, 2),
                      EdgeClock(2023, 11, 15, 8, 0, 0, 0xFFFFFF00u, 3)};
    const std::vector<EdgeFrameShape> shapes = {
        {0x100, false, false, 3, 12345, kNoClockIndex},  // no clock record
        {0x101, false, false, 1, 1, kNoClockIndex},
        {0x123, false, false, 2, 50001, 0},
        {0x7FF, false, false, 8, 50010, 0},
        {0x000, false, false, 0, 50020, 0},
        {0x1FFFFFFF, true, false, 8, 50030, 0},
        {0x00000001, true, false, 4, 50040, 0},
        {0x7FF, false, true, 5, 50050, 0},
        {0x321, false, true, 0, 50060, 0},
        {0x1ABCDEF0, true, true, 8, 50070, 0},
        {0x456, false, false, 8, 50080, 0, kSendTypeTransmitted},
        {0, false, false, 0, 50090, 0, 0, 225, 0},
        {0, false, false, 0, 50100, 0, 0, 226, 1},
        {0, false, false, 0, 50110, 0, 0, 227, 2},
        {0, false, false, 0, 50120, 0, 0, 228, 3},
        {0, false, false, 0, 50130, 0, 0, 229, 4},
        {0, false, false, 0, 50140, 0, 0, 230, 5},
        {0, false, false, 0, 50150, 0, 0, kEventSpanMarker, 6},
        {0x18FEF100, true, false, 8, 0xFFFFFF10u, 1},
        {0x0AA, false, false, 6, 0xFFFFFFF0u, 1, kSendTypeTransmitted},
        // 0x200 ticks after the span's reference: the stamp has wrapped.
        {0x0AB, false, false, 7, 0x00000100u, 1},
    };
    for (const EdgeFrameShape& s : shapes) r.frames.push_back(EdgeFrame(s));
    return r;
}

}  // namespace korvex::test
