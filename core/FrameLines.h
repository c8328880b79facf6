#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "core/SplitPass.h"
#include "core/frame/CanObj.h"
#include "core/frame/CycleBuffer.h"

namespace korvex {

using FrameView = CCycleBuffer<_VCI_CAN_OBJ>::CView;

// The text of one block of a written file and what its lines are made with,
// kept per slot of a split pass.
template <typename Scratch>
struct FrameLinesSlot {
    std::string text;
    Scratch scratch{};
};

// Writes the lines of every frame of `frames` to `file`: line(index, frame,
// out, scratch) appends to `out` what the frame becomes (nothing for a frame
// the file leaves out), `index` being its position in the view. Lines are made
// in blocks on all cores as `split` says, each thread with a Scratch of its
// own, and written block after block in frame order, so the bytes are those of
// one pass. False when a write fails (nothing is written after it).
template <typename Scratch, typename Line>
bool WriteFrameLinesWith(std::FILE* file, const FrameView& frames, const PassSplit& split,
                         const Line& line) {
    return RunSplitPass<FrameLinesSlot<Scratch>>(
        frames.Count(), split,
        [&](std::int64_t begin, std::int64_t end, FrameLinesSlot<Scratch>& slot) {
            slot.text.clear();
            frames.ForEachRun(begin, end, [&](std::int64_t first, const _VCI_CAN_OBJ* run, int n) {
                for (int k = 0; k < n; ++k) line(first + k, run[k], slot.text, slot.scratch);
            });
        },
        [&](std::int64_t, std::int64_t, FrameLinesSlot<Scratch>& slot) {
            return std::fwrite(slot.text.data(), 1, slot.text.size(), file) == slot.text.size();
        });
}

// The same for lines that need nothing beyond the frame.
using FrameLineFn =
    std::function<void(std::int64_t index, const _VCI_CAN_OBJ& frame, std::string& out)>;
bool WriteFrameLines(std::FILE* file, const FrameView& frames, const PassSplit& split,
                     const FrameLineFn& line);

// Appends the text that put(at) writes at `at` and ends where it returns; the
// text is at most `longest` characters.
template <typename Put>
void AppendPut(std::string& out, std::size_t longest, const Put& put) {
    const std::size_t used = out.size();
    out.resize(used + longest);
    const char* end = put(out.data() + used);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

}  // namespace korvex
