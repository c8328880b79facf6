#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <utility>

namespace korvex::formats {

// The lines of a text log gathered in one buffer and written to the file 64
// KiB at a time: millions of lines with no allocation per line.
class CLineWriter {
  public:
    // `header` goes first; every line is shorter than `longestLine`.
    CLineWriter(std::FILE* file, std::string header, std::size_t longestLine)
        : file(file), buffer(std::move(header)) {
        const std::size_t used = buffer.size();
        buffer.resize(used + kFlushBytes + longestLine);
        at = buffer.data() + used;
    }

    // Where the next line goes.
    char* At() const { return at; }
    // The line just put ends at `end`; false when a write failed.
    bool Put(char* end) {
        at = end;
        return static_cast<std::size_t>(at - buffer.data()) < kFlushBytes || Flush();
    }
    // Writes what is left; false when a write failed.
    bool Finish() { return Flush() && std::fflush(file) == 0; }

  private:
    static constexpr std::size_t kFlushBytes = 1 << 16;

    bool Flush() {
        const auto n = static_cast<std::size_t>(at - buffer.data());
        at = buffer.data();
        return std::fwrite(buffer.data(), 1, n, file) == n;
    }

    std::FILE* file;
    std::string buffer;
    char* at;
};

}  // namespace korvex::formats
