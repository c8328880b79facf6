#include "core/FrameLines.h"

namespace korvex {

bool WriteFrameLines(std::FILE* file, const FrameView& frames, const PassSplit& split,
                     const FrameLineFn& line) {
    return RunSplitPass<std::string>(
        frames.Count(), split,
        [&](std::int64_t begin, std::int64_t end, std::string& text) {
            text.clear();
            frames.ForEachRun(begin, end, [&](std::int64_t first, const _VCI_CAN_OBJ* run, int n) {
                for (int k = 0; k < n; ++k) line(first + k, run[k], text);
            });
        },
        [&](std::int64_t, std::int64_t, std::string& text) {
            return std::fwrite(text.data(), 1, text.size(), file) == text.size();
        });
}

}  // namespace korvex
