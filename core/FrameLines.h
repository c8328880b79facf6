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

// Appends to `out` what one frame becomes in a written file (nothing for a
// frame the file leaves out); `index` is the frame's position in the view.
// Called on several threads at once, each with an `out` of its own.
using FrameLineFn =
    std::function<void(std::int64_t index, const _VCI_CAN_OBJ& frame, std::string& out)>;

// Writes the lines of every frame of `frames` to `file`: made in blocks on all
// cores as `split` says and written block after block in frame order, so the
// bytes are those of one pass. False when a write fails (nothing is written
// after it).
bool WriteFrameLines(std::FILE* file, const FrameView& frames, const PassSplit& split,
                     const FrameLineFn& line);

}  // namespace korvex
