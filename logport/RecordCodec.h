#pragma once

// The recorder's 24-byte record, used for uploaded records, the clock record
// list and preset frames, and its conversion to and from the frame record.
//
// Offset 1 tells the two kinds apart: 0 for an ordinary frame, else the event
// code of an event record (0xFF = clock record), whose data start at offset 8
// instead of 12 and whose offset 2 holds the event sub-code.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/frame/CanObj.h"

namespace logport {

inline constexpr std::size_t kRecordSize = 24;
// Records that the host writes carry this marker in byte 0.
inline constexpr std::uint8_t kHostRecordMarker = 0x0F;

using Record = std::array<std::uint8_t, kRecordSize>;

_VCI_CAN_OBJ RecordToFrame(std::span<const std::uint8_t, kRecordSize> record);

// Converts `count` consecutive records into frames; `records` holds at least
// count * 24 bytes.
void RecordsToFrames(const std::uint8_t* records, std::size_t count, _VCI_CAN_OBJ* frames);

// Preset frames: a record with marker 0x0F whose byte after the data
// (offset 12 + data length) is the XOR of all bytes before it.
Record FrameToRecord(const _VCI_CAN_OBJ& frame);

}  // namespace logport
