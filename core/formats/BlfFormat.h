#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>

#include "core/formats/FormatOptions.h"
#include "core/formats/FrameClock.h"
#include "core/formats/Recording.h"
#include "core/formats/WriteSource.h"

// Vector's binary logging format (.blf), read and written.
namespace korvex::formats {

// Reads a whole file: the start time from the header (none: the times count
// from the recording's start), then the CAN frames, CAN FD frames of at most
// 8 bytes, transmit requests (as transmitted frames) and error frames (as
// event records) of every channel, with their channels. Containers are
// unpacked on all cores, a few at a time. What is not read as a plain frame
// is counted in the result. Damage (an object size of 0, an object that runs
// past the end, a container that does not unpack to what it states) costs the
// damaged container: reading goes on at the next object signature, and the
// damaged parts are counted with their offsets; a cut last container gives
// what unpacks of it. A strict read stops at the first damage and is refused,
// as is a file without frames.
ReadResult ReadBlf(std::FILE* file, const ReadOptions& options, CRecording& out,
                   const BadLineFn& badLine);

// Writes every frame as CAN_MESSAGE and every event record (unless told not
// to) as CAN_ERROR_EXT with the Linux error flag and class as its identifier, in zlib containers of
// at most 128 KiB unpacked, the header giving the first and last times and the object count.
// Containers are packed on all cores. False when a write fails.
bool WriteBlf(std::FILE* file, const WriteSource& source, const WriteOptions& options);

// The instant a SYSTEMTIME (eight u16: year, month, weekday, day, hour,
// minute, second, milliseconds) names, in local time or UTC; none for an
// impossible date or one before 1970.
std::optional<Ticks> SystemTimeTicks(const std::uint8_t* systemTime, bool utc);
void PutSystemTime(std::uint8_t* systemTime, Ticks time, bool utc);

}  // namespace korvex::formats
