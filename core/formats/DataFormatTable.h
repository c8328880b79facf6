#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/DataFileReader.h"
#include "core/formats/FormatOptions.h"
#include "core/formats/Recording.h"
#include "core/formats/WriteSource.h"

class CKorvexGlobal;

namespace korvex::formats {

enum class DataFormat {
    kCandump,
    kAsc,
    kCsv,
    kBlf,
    kTrc,
    kPcap,
    kPcapng,
    kSnapshot,
    kStream,
    kText
};

// How a file is read into the program's state.
struct LoadRequest {
    ReadOptions read;
    BadLineFn badLine;        // told of each unreadable line
    StatusTextFn showStatus;  // the status-bar text of the frame count
    std::string_view frameTotalLabel = kFrameTotalLabel;
    // How the reading of a data file's frames is split over the cores, with
    // its progress and cancel.
    PassSplit split;
    FrameReading reading = FrameReading::kPass;  // how a .can file's frames are read
    // Asked, when a log holds several channels and read.channel is 0, which
    // one to import: its number, 0 for all merged into the one frame list,
    // none to import nothing. Without it they are merged.
    std::function<std::optional<int>(const std::vector<ChannelCount>&)> chooseChannel;
    // Where each frame's channel goes for a writer that keeps them (a
    // conversion); then a file of several channels is not merged.
    CFrameChannels* keepChannels = nullptr;
};

// One file format. A reader refills the clock list and hands the frames to
// the current channel's sinks with counting, as the program's import does; a
// refused file changes nothing. A writer writes the frame store.
struct DataFormatInfo {
    DataFormat format;
    const char* name;       // as --from and --to take it
    const char* extension;  // the file names it is chosen for, with the dot
    ReadResult (*read)(const std::filesystem::path& path, const LoadRequest& request,
                       CKorvexGlobal& global);
    bool (*write)(const std::filesystem::path& path, const WriteSource& source,
                  const WriteOptions& options);
};

// Every format, readers and writers alike, in the order help texts list them.
std::span<const DataFormatInfo> DataFormats();
const DataFormatInfo& FormatInfo(DataFormat format);
const DataFormatInfo* FindFormatByName(std::string_view name);
// The format a file name's extension (any case) stands for: ".log", ".asc",
// ".csv", ".blf", ".trc", ".pcap", ".pcapng", ".can" (a snapshot), ".txt".
const DataFormatInfo* FindFormatByFileName(const std::filesystem::path& path);

// A .can file of 20 + 24·F bytes can only be a stream file (a snapshot file is
// 24 + 12·N + 24·F bytes); any other size is taken as a snapshot.
DataFormat ChooseCanLayout(const std::filesystem::path& path);

// What went wrong, in a sentence naming the file; empty for kOk.
std::string ReadResultText(const ReadResult& result, const std::filesystem::path& path);

// What a read left out or took other than as a plain frame, one sentence
// each: damaged containers skipped, CAN FD frames too long for the frame
// record ("N CAN FD frames longer than 8 bytes skipped") and the rest of the
// tally. Empty when everything was read as it stands.
std::vector<std::string> ReadNoteTexts(const ReadResult& result, const std::filesystem::path& path);

// The offsets of the damaged parts named, "144, 2048" (", ..." after them
// when there were more).
std::string DamagedOffsetsText(const ReadResult& result);

// The names of the formats that can be read, as --from takes them:
// "candump, asc, csv, blf, trc, can or stream".
std::string ReadableFormatNames();

}  // namespace korvex::formats
