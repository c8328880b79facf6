#pragma once

#include <cstdio>
#include <string_view>
#include <vector>

namespace korvex::formats {

// Hands out the lines of a text file one at a time from a fixed buffer, so
// that a file of any size is read with one allocation. Line ends ("\n" or
// "\r\n") are removed, and a UTF-8 byte order mark at the start is dropped.
class CLineReader {
  public:
    // Lines longer than this are cut there and flagged; the rest of such a
    // line is skipped.
    static constexpr std::size_t kMaxLine = 1 << 16;

    explicit CLineReader(std::FILE* file);

    // The next line; false at the end of the file or after a read error.
    // The view is valid until the next call.
    bool Next(std::string_view& line);
    long long LineNumber() const { return lineNumber; }
    bool LineTooLong() const { return tooLong; }
    bool ReadFailed() const { return failed; }
    // The system's error of the failed read.
    int ReadError() const { return readError; }

  private:
    bool Fill();

    std::FILE* file;
    std::vector<char> buffer;
    std::size_t begin = 0;
    std::size_t end = 0;
    long long lineNumber = 0;
    bool eof = false;
    bool failed = false;
    int readError = 0;
    bool tooLong = false;
};

}  // namespace korvex::formats
