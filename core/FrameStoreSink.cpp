#include "core/FrameStoreSink.h"

void CFrameStoreSink::SetCapacity(int count) {
    frameStore.Reset(count);
}

void CFrameStoreSink::AddFrames(_VCI_CAN_OBJ* frames, int count, int received) {
    korvex::MarkTransmitted(frames, count, received);
    frameStore.PushRun(frames, count);
}

int CFrameStoreSink::InsertColumn(int, const char* caption, int, int) {
    captions.emplace_back(caption ? caption : "");
    return 1;
}

int CFrameStoreSink::ListCommand(int code, ...) {
    constexpr int kRemoveAllColumns = 22;
    if (code == kRemoveAllColumns) captions.clear();
    return 0;
}

void CFrameStoreSink::SetColumnCaption(int column, const char* caption) {
    if (column >= 0 && static_cast<std::size_t>(column) < captions.size())
        captions[static_cast<std::size_t>(column)] = caption ? caption : "";
}
