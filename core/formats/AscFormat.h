#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "core/formats/FormatOptions.h"
#include "core/formats/FrameClock.h"
#include "core/formats/Recording.h"
#include "core/formats/WriteSource.h"

// The ASCII log of the common vehicle-bus analysis tools: a header, then one
// line per frame with its time in seconds from the start of the measurement.
namespace korvex::formats {

// "Tue Nov 14 10:13:20.000 pm 2023", the form of the header's date lines.
std::string AscDateText(Ticks time, bool utc);

// A header date as these tools write it: weekday, month name, day,
// "hh:mm:ss" with or without milliseconds, "am"/"pm" or a 24-hour clock, year.
// The weekday is not checked. None when it is not a date.
std::optional<Ticks> ParseAscDate(std::string_view text, bool utc);

// Reads a whole log. Header, comment, trigger-block and measurement-start
// lines are skipped; the logger's own status, statistic and event lines are
// counted as lines without frames. Classic frames, CAN FD frames of up to 8
// bytes, transmit requests (as transmitted frames) and ErrorFrames are read,
// longer CAN FD frames counted; every other line is reported.
ReadResult ReadAsc(std::FILE* file, const ReadOptions& options, CRecording& out,
                   const BadLineFn& badLine);

// Writes the header, one line per frame (event records as ErrorFrame lines
// unless left out) on its channel (1 where the source names none), and a comment line where a
// recording span begins; false when a write fails.
bool WriteAsc(std::FILE* file, const WriteSource& source, const WriteOptions& options);

}  // namespace korvex::formats
