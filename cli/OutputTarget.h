#pragma once

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace korvex::cli {

struct CliStreams;

// Where a command's lines go: the file that -o names, or standard output.
// A file that cannot be created, or a write that fails, is said on stderr, so
// that no command reports a half-written result as success.
class COutputTarget {
  public:
    COutputTarget() = default;
    COutputTarget(const COutputTarget&) = delete;
    COutputTarget& operator=(const COutputTarget&) = delete;
    ~COutputTarget();

    // Opens `path` for writing, or takes standard output when it is empty;
    // false, with the reason said, when the file cannot be created.
    bool Open(const std::filesystem::path& path, const CliStreams& io);
    std::FILE* Get() const { return target; }
    // Flushes and closes; false, with the reason said, when `written` is
    // false or the last bytes cannot be written. `what` names the lines.
    bool Finish(bool written, std::string_view what, const CliStreams& io);

  private:
    std::FILE* target = nullptr;
    std::FILE* file = nullptr;  // owned, when the lines go to a file
};

}  // namespace korvex::cli
