#pragma once

#include <cstdint>
#include <cstdio>

#include "core/formats/FormatOptions.h"
#include "core/formats/Recording.h"
#include "core/formats/WriteSource.h"

// PCAN trace files (.trc), versions 1.0 to 2.1.
namespace korvex::formats {

// Reads a whole trace: the version from its $FILEVERSION line (1.0 without
// one), the columns of 2.x from $COLUMNS, the start from $STARTTIME (or, in
// 1.0, the "Start time:" comment). Data and remote frames and CAN FD frames
// of at most 8 bytes become frames, error frames and the controller states
// (bus light, heavy, off, overrun) event records; longer CAN FD frames are
// counted, every other unreadable line reported.
ReadResult ReadTrc(std::FILE* file, const ReadOptions& options, CRecording& out,
                   const BadLineFn& badLine);

// Writes version 2.1 (columns N,O,T,B,I,d,R,L,D) or, with options.trcVersion
// kTrcVersion11, version 1.1. False when a write fails.
bool WriteTrc(std::FILE* file, const WriteSource& source, const WriteOptions& options);

// The event record of a controller state as PCAN writes it (a status word:
// 0x02 overrun, 0x04 bus light, 0x08 bus heavy, 0x10 bus off), 0 for a state
// that is none of these; and the state word of an event, 0 for an event that
// is an error frame instead.
std::uint8_t EventOfTrcStatus(std::uint32_t status);
std::uint32_t TrcStatusOfEvent(std::uint8_t eventCode);

}  // namespace korvex::formats
