#include "core/formats/LineReader.h"

#include <cerrno>
#include <cstring>

namespace korvex::formats {
namespace {

// Room for the longest line plus a large read behind it.
constexpr std::size_t kBufferSize = CLineReader::kMaxLine + (1 << 20);

std::string_view Trimmed(const char* data, std::size_t n) {
    if (n > 0 && data[n - 1] == '\r') --n;
    return {data, n};
}

}  // namespace

CLineReader::CLineReader(std::FILE* file) : file(file), buffer(kBufferSize) {}

// Moves the unread part to the front and reads behind it; false when nothing
// more can come.
bool CLineReader::Fill() {
    if (eof) return false;
    if (begin > 0) {
        std::memmove(buffer.data(), buffer.data() + begin, end - begin);
        end -= begin;
        begin = 0;
    }
    const std::size_t got = std::fread(buffer.data() + end, 1, buffer.size() - end, file);
    end += got;
    if (got == 0) {
        eof = true;
        failed = std::ferror(file) != 0;
        if (failed) readError = errno;
    }
    return got > 0;
}

bool CLineReader::Next(std::string_view& line) {
    tooLong = false;
    for (;;) {
        const char* start = buffer.data() + begin;
        const std::size_t available = end - begin;
        const std::size_t window = available < kMaxLine + 1 ? available : kMaxLine + 1;
        const void* newline = std::memchr(start, '\n', window);
        if (newline != nullptr) {
            const auto n = static_cast<std::size_t>(static_cast<const char*>(newline) - start);
            begin += n + 1;
            line = Trimmed(start, n);
            break;
        }
        if (available > kMaxLine) {
            // A line this long is no log line: skip it up to its line end and
            // hand out an empty, flagged line in its place.
            tooLong = true;
            begin += kMaxLine;
            for (;;) {
                const char* rest = buffer.data() + begin;
                const void* lineEnd = std::memchr(rest, '\n', end - begin);
                if (lineEnd != nullptr) {
                    begin += static_cast<std::size_t>(static_cast<const char*>(lineEnd) - rest) + 1;
                    break;
                }
                begin = end;
                if (!Fill()) break;
            }
            line = std::string_view();
            break;
        }
        if (!Fill()) {
            // Fill may have moved the bytes, so take the last line afresh.
            const std::size_t rest = end - begin;
            if (rest == 0) return false;
            line = Trimmed(buffer.data() + begin, rest);
            begin = end;
            break;
        }
    }
    ++lineNumber;
    if (lineNumber == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    return true;
}

}  // namespace korvex::formats
