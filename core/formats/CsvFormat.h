#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "core/FrameRowText.h"
#include "core/formats/FormatOptions.h"
#include "core/formats/Recording.h"
#include "core/formats/WriteSource.h"

// Comma-separated values for spreadsheets (RFC 4180): the frame list's
// columns with the texts of the text export, a header line of the captions,
// UTF-8, "\r\n" line ends. Read back too, as is python-can's CSV log.
namespace korvex::formats {

// The header line of python-can's CSV log, whose data are base64.
inline constexpr std::string_view kPythonCanCsvHeader =
    "timestamp,arbitration_id,extended,remote,error,dlc,data";

// Appends one field, in double quotes (inner quotes doubled) when it holds a
// comma, a quote, a line break or leading or trailing blanks.
void AppendCsvField(std::string& out, std::string_view field);

// Writes the header and a line per frame, made on the cores as `split` says;
// false when a write fails.
bool WriteCsv(std::FILE* file, const WriteSource& source, const PassSplit& split);

// Reads python-can's CSV log (absolute times, base64 data, error frames as
// event records) or the program's own CSV: identifier, format, type, length
// and data as the protocol columns show them, in the language of
// options.frameWords, the time column as each frame's time stamp (it carries
// no date), the remark column telling an event record. Lines that cannot be
// read are reported; longer CAN FD frames of python-can are counted.
ReadResult ReadCsv(std::FILE* file, const ReadOptions& options, CRecording& out,
                   const BadLineFn& badLine);

// The words the plug-in's format and type columns show in its language.
FrameWords ProtocolFrameWords(AnalyCANFrameFn analyCANFrame);

// Base64 (RFC 4648, padding optional) into at most `room` bytes; none for
// another text or more bytes.
std::optional<std::size_t> DecodeBase64(std::string_view text, std::uint8_t* out, std::size_t room);

}  // namespace korvex::formats
