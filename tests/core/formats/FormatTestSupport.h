#pragma once

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"
#include "core/formats/ChannelChoice.h"
#include "core/formats/DataFormatTable.h"
#include "core/formats/FrameClock.h"
#include "core/formats/LoadDataFile.h"
#include "core/formats/Recording.h"
#include "core/frame/CycleBuffer.h"

namespace korvex::test {

inline void FillStore(CCycleBuffer<_VCI_CAN_OBJ>& store, const std::vector<_VCI_CAN_OBJ>& frames) {
    store.Reset(static_cast<int>(frames.size()));
    for (const _VCI_CAN_OBJ& f : frames) store.Push(f);
}

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Writes `frames` with the table's writer for `format`.
inline bool WriteFormat(formats::DataFormat format, const std::filesystem::path& path,
                        const std::vector<OrigTimeEntry>& clocks,
                        const std::vector<_VCI_CAN_OBJ>& frames,
                        const formats::WriteOptions& options = {},
                        const std::vector<std::string>& captions = {},
                        const ExportRowContext& context = {}) {
    CCycleBuffer<_VCI_CAN_OBJ> store;
    FillStore(store, frames);
    const formats::WriteSource source{clocks, store, captions, context};
    return formats::FormatInfo(format).write(path, source, options);
}

// A file read through LoadDataFile into a fresh state with one frame sink.
struct LoadedFile {
    formats::ReadResult result;
    std::vector<OrigTimeEntry> origTimeList;
    std::vector<_VCI_CAN_OBJ> frames;
    std::vector<std::pair<long long, std::string>> badLines;
};

inline LoadedFile LoadFile(const std::filesystem::path& path,
                           std::optional<formats::DataFormat> format = std::nullopt,
                           formats::ReadOptions options = {}) {
    CKorvexGlobal global;
    CFrameStoreSink sink;
    global.frameSinks[0] = {&sink};
    LoadedFile loaded;
    formats::LoadRequest request;
    request.read = options;
    request.badLine = [&](long long line, std::string_view reason) {
        loaded.badLines.emplace_back(line, std::string(reason));
    };
    loaded.result = formats::LoadDataFile(path, format, request, global);
    loaded.origTimeList = global.origTimeList;
    _VCI_CAN_OBJ f;
    for (int i = 0; sink.frameStore.Get(i, &f); ++i) loaded.frames.push_back(f);
    return loaded;
}

// Parses text with one of the line readers, through a memory file.
template <typename Reader>
formats::ReadResult ParseText(Reader reader, const std::string& text, formats::CRecording& out,
                              std::vector<std::pair<long long, std::string>>* bad = nullptr,
                              formats::ReadOptions options = {}) {
    std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    if (text.empty()) file = std::fopen("/dev/null", "rb");
    const formats::BadLineFn onBad = [&](long long line, std::string_view reason) {
        if (bad) bad->emplace_back(line, std::string(reason));
    };
    formats::ReadResult result = reader(file, options, out, onBad);
    std::fclose(file);
    // The channel asked for is kept as a load keeps it.
    formats::LoadRequest request;
    request.read = options;
    if (result.status == formats::ReadStatus::kOk)
        formats::ApplyChannelChoice(out, request, result);
    return result;
}

}  // namespace korvex::test
