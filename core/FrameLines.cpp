#include "core/FrameLines.h"

namespace korvex {

bool WriteFrameLines(std::FILE* file, const FrameView& frames, const PassSplit& split,
                     const FrameLineFn& line) {
    struct NoScratch {};
    return WriteFrameLinesWith<NoScratch>(
        file, frames, split,
        [&](std::int64_t index, const _VCI_CAN_OBJ& frame, std::string& out, NoScratch&) {
            line(index, frame, out);
        });
}

}  // namespace korvex
