// Feeds arbitrary bytes to the snapshot and stream readers, through a frame
// store sink as the frame list would hold them.
#include <cstdint>
#include <cstdio>

#include "core/DataFileReader.h"
#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    for (bool snapshot : {true, false}) {
        std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
        if (!file) return 0;
        CKorvexGlobal global;
        CFrameStoreSink sink;
        global.frameSinks[0] = {&sink};
        const korvex::DataFileStatus status =
            snapshot ? korvex::ReadSnapshot(file, global) : korvex::ReadStream(file, global);
        std::fclose(file);
        if (status == korvex::DataFileStatus::kOk &&
            global.frameCountTotal[0] != static_cast<std::uint64_t>(sink.frameStore.GetCount()))
            __builtin_trap();
    }
    return 0;
}
