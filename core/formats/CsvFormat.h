#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "core/formats/WriteSource.h"

// Comma-separated values for spreadsheets (RFC 4180): the frame list's
// columns with the texts of the text export, a header line of the captions,
// UTF-8, "\r\n" line ends.
namespace korvex::formats {

// Appends one field, in double quotes (inner quotes doubled) when it holds a
// comma, a quote, a line break or leading or trailing blanks.
void AppendCsvField(std::string& out, std::string_view field);

// False when a write fails.
bool WriteCsv(std::FILE* file, const WriteSource& source);

}  // namespace korvex::formats
