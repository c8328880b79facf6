#include "core/formats/DataFormatTable.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/DataFileWriter.h"
#include "core/KorvexGlobal.h"
#include "core/formats/AscFormat.h"
#include "core/formats/BlfFormat.h"
#include "core/formats/CandumpFormat.h"
#include "core/formats/ChannelChoice.h"
#include "core/formats/CsvFormat.h"
#include "core/formats/PcapFormat.h"
#include "core/formats/TrcFormat.h"

namespace korvex::formats {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

using LogReader = ReadResult (*)(std::FILE*, const ReadOptions&, CRecording&, const BadLineFn&);

// A frame line of a text log has at least about this many characters.
constexpr std::uintmax_t kShortestFrameLine = 24;

// A log is read whole before anything changes, so that a refused file leaves
// the program's frames and clock list as they were. A text log's size gives
// room for every frame of a file of up to 16 million, so the vector does not
// grow while reading; a binary log reserves for itself.
ReadResult ReadLog(LogReader reader, bool text, const std::filesystem::path& path,
                   const LoadRequest& request, CKorvexGlobal& global) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return CannotOpen(errno);
    CRecording recording;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (text && !error)
        recording.frames.reserve(std::min<std::uintmax_t>(size / kShortestFrameLine + 1, 1u << 24));
    ReadResult result = reader(file.get(), request.read, recording, request.badLine);
    if (result.status != ReadStatus::kOk) return result;
    if (!ApplyChannelChoice(recording, request, result)) return result;
    if (recording.frames.size() > static_cast<std::size_t>(INT_MAX)) {
        result.status = ReadStatus::kTooManyFrames;
        return result;
    }
    const int count = static_cast<int>(recording.frames.size());
    global.origTimeList = std::move(recording.origTimeList);
    if (request.showStatus) request.showStatus(FrameCountText(request.frameTotalLabel, count));
    global.AddFileFrames(recording.frames.data(), count);
    return result;
}

template <LogReader reader, bool text>
ReadResult ReadLogFile(const std::filesystem::path& path, const LoadRequest& request,
                       CKorvexGlobal& global) {
    return ReadLog(reader, text, path, request, global);
}

ReadResult FromDataFileStatus(DataFileStatus status, CKorvexGlobal& global) {
    ReadResult result;
    result.error = errno;
    switch (status) {
        case DataFileStatus::kOk:
            result.frames = static_cast<long long>(global.frameCountTotal[0]);
            break;
        case DataFileStatus::kCannotOpen:
            result.status = ReadStatus::kCannotOpen;
            break;
        case DataFileStatus::kNotDataFile:
            result.status = ReadStatus::kNotDataFile;
            break;
        case DataFileStatus::kDamaged:
            result.status = ReadStatus::kDamaged;
            break;
        case DataFileStatus::kUnreadable:
            result.status = ReadStatus::kReadError;
            break;
    }
    return result;
}

ReadResult ReadSnapshotAdapter(const std::filesystem::path& path, const LoadRequest& request,
                               CKorvexGlobal& global) {
    const auto before = global.frameCountTotal[0];
    ReadResult result = FromDataFileStatus(
        ReadSnapshotFile(path, global, request.showStatus, request.frameTotalLabel, request.split,
                         request.reading),
        global);
    result.frames -= static_cast<long long>(before);
    return result;
}

ReadResult ReadStreamAdapter(const std::filesystem::path& path, const LoadRequest& request,
                             CKorvexGlobal& global) {
    const auto before = global.frameCountTotal[0];
    ReadResult result =
        FromDataFileStatus(ReadStreamFile(path, global, request.showStatus, request.frameTotalLabel,
                                          request.split, request.reading),
                           global);
    result.frames -= static_cast<long long>(before);
    return result;
}

template <typename Writer>
bool WriteThrough(const std::filesystem::path& path, Writer write) {
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    if (!write(file.get())) return false;
    return std::fclose(file.release()) == 0;
}

bool WriteCandumpFile(const std::filesystem::path& path, const WriteSource& source,
                      const WriteOptions& options) {
    return WriteThrough(path, [&](std::FILE* f) { return WriteCandump(f, source, options); });
}

bool WriteAscFile(const std::filesystem::path& path, const WriteSource& source,
                  const WriteOptions& options) {
    return WriteThrough(path, [&](std::FILE* f) { return WriteAsc(f, source, options); });
}

bool WriteCsvFile(const std::filesystem::path& path, const WriteSource& source,
                  const WriteOptions& options) {
    return WriteThrough(path, [&](std::FILE* f) { return WriteCsv(f, source, options.split); });
}

bool WriteBlfFile(const std::filesystem::path& path, const WriteSource& source,
                  const WriteOptions& options) {
    return WriteThrough(path, [&](std::FILE* f) { return WriteBlf(f, source, options); });
}

bool WriteTrcFile(const std::filesystem::path& path, const WriteSource& source,
                  const WriteOptions& options) {
    return WriteThrough(path, [&](std::FILE* f) { return WriteTrc(f, source, options); });
}

bool WritePcapngFile(const std::filesystem::path& path, const WriteSource& source,
                     const WriteOptions& options) {
    return WriteThrough(path, [&](std::FILE* f) { return WritePcapng(f, source, options); });
}

bool WriteSnapshotAdapter(const std::filesystem::path& path, const WriteSource& source,
                          const WriteOptions&) {
    return WriteSnapshotFile(path, source.origTimeList, source.frameStore);
}

bool WriteTextAdapter(const std::filesystem::path& path, const WriteSource& source,
                      const WriteOptions& options) {
    return WriteTextExportFile(path, source.captions, source.frameStore, source.rowContext,
                               options.split);
}

constexpr DataFormatInfo kFormats[] = {
    {DataFormat::kCandump, "candump", ".log", &ReadLogFile<&ReadCandump, true>, &WriteCandumpFile},
    {DataFormat::kAsc, "asc", ".asc", &ReadLogFile<&ReadAsc, true>, &WriteAscFile},
    {DataFormat::kCsv, "csv", ".csv", &ReadLogFile<&ReadCsv, true>, &WriteCsvFile},
    {DataFormat::kBlf, "blf", ".blf", &ReadLogFile<&ReadBlf, false>, &WriteBlfFile},
    {DataFormat::kTrc, "trc", ".trc", &ReadLogFile<&ReadTrc, true>, &WriteTrcFile},
    {DataFormat::kPcap, "pcap", ".pcap", &ReadLogFile<&ReadPcap, false>, nullptr},
    {DataFormat::kPcapng, "pcapng", ".pcapng", &ReadLogFile<&ReadPcap, false>, &WritePcapngFile},
    {DataFormat::kSnapshot, "can", ".can", &ReadSnapshotAdapter, &WriteSnapshotAdapter},
    {DataFormat::kStream, "stream", nullptr, &ReadStreamAdapter, nullptr},
    {DataFormat::kText, "txt", ".txt", nullptr, &WriteTextAdapter},
};
static_assert(std::size(kFormats) == static_cast<std::size_t>(DataFormat::kText) + 1);

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

std::span<const DataFormatInfo> DataFormats() {
    return kFormats;
}

const DataFormatInfo& FormatInfo(DataFormat format) {
    for (const DataFormatInfo& info : kFormats)
        if (info.format == format) return info;
    return kFormats[0];
}

const DataFormatInfo* FindFormatByName(std::string_view name) {
    for (const DataFormatInfo& info : kFormats)
        if (name == info.name) return &info;
    return nullptr;
}

const DataFormatInfo* FindFormatByFileName(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return nullptr;
    const std::string_view extension = std::string_view(name).substr(dot);
    for (const DataFormatInfo& info : kFormats)
        if (info.extension != nullptr && SameTextIgnoringCase(extension, info.extension))
            return &info;
    return nullptr;
}

DataFormat ChooseCanLayout(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size < kSignatureBlockSize) return DataFormat::kSnapshot;
    const bool streamFits = (size - kSignatureBlockSize) % kFrameRecordSize == 0;
    return streamFits ? DataFormat::kStream : DataFormat::kSnapshot;
}

std::string ReadResultText(const ReadResult& result, const std::filesystem::path& path) {
    const std::string name = path.string();
    switch (result.status) {
        case ReadStatus::kOk:
            return {};
        case ReadStatus::kCannotOpen:
            return "cannot open " + name + ": " + std::strerror(result.error);
        case ReadStatus::kNotDataFile:
            return name + " is not a Korvex data file";
        case ReadStatus::kDamaged:
            return name + " is damaged: its clock list does not fit";
        case ReadStatus::kNoFrames:
            return name + ": no line could be read as a frame";
        case ReadStatus::kStrictStop:
            return name + ": stopped at line " + std::to_string(result.line);
        case ReadStatus::kTooManySpans:
            if (result.damageOffset >= 0)
                return name + ": at offset " + std::to_string(result.damageOffset) +
                       " a recording span beyond the 128th begins";
            return name + ": line " + std::to_string(result.line) +
                   " starts a recording span beyond the 128th";
        case ReadStatus::kTooManyFrames:
            return name + " holds more frames than a frame list can";
        case ReadStatus::kReadError:
            return "cannot read " + name + ": " + std::strerror(result.error);
        case ReadStatus::kUnknownFormat:
            return name + " is not a recording in a format read here (" + ReadableFormatNames() +
                   ")";
        case ReadStatus::kDamagedAt:
            return name + " is damaged at offset " + std::to_string(result.damageOffset) + ": " +
                   result.damage;
        case ReadStatus::kHoldsNoFrames:
            return name + " holds no frames";
        case ReadStatus::kNoSuchChannel:
            if (result.channels.empty())
                return name + " has no channel " + std::to_string(result.channel) +
                       ": it names none, its frames are channel 1";
            return name + " has no channel " + std::to_string(result.channel) +
                   "; its channels: " + ChannelListText(result.channels);
        case ReadStatus::kNotImported:
            return name + ": no channel chosen, nothing imported";
        case ReadStatus::kNotCanCapture:
            return name + " is a capture of " + result.damage +
                   ", not of CAN frames (SocketCAN, link type 227)";
    }
    return {};
}

std::string DamagedOffsetsText(const ReadResult& result) {
    std::string text;
    for (const long long offset : result.damagedOffsets) {
        if (!text.empty()) text += ", ";
        text += std::to_string(offset);
    }
    if (result.damagedParts > static_cast<long long>(result.damagedOffsets.size())) text += ", ...";
    return text;
}

std::vector<std::string> ReadNoteTexts(const ReadResult& result,
                                       const std::filesystem::path& path) {
    std::vector<std::string> notes;
    const std::string name = path.string() + ": ";
    const auto note = [&](long long count, const char* what) {
        if (count > 0) notes.push_back(name + std::to_string(count) + what);
    };
    if (result.damagedParts > 0)
        notes.push_back(name + std::to_string(result.damagedParts) +
                        " damaged parts skipped, at offsets " + DamagedOffsetsText(result) +
                        "; the first: " + result.damage);
    else if (result.damageOffset >= 0)
        // A read that ends at its damage (pcap, pcapng) keeps the frames before it.
        notes.push_back(name + "damaged at offset " + std::to_string(result.damageOffset) + ": " +
                        result.damage + "; the frames before it were read");
    note(result.longFdFrames, " CAN FD frames longer than 8 bytes skipped");
    note(result.tally.shortFdFrames, " CAN FD frames of up to 8 bytes read as classic frames");
    note(result.tally.txRequests, " transmit requests read as transmitted frames");
    note(result.tally.unfitIds,
         " frames skipped whose identifier fits no frame type (a standard one above 0x7FF)");
    note(result.tally.otherObjects, " objects or lines that are not frames skipped");
    note(result.tally.badObjects, " frame objects too short or of an unknown header skipped");
    if (!result.channels.empty())
        notes.push_back(path.string() + " holds " + std::to_string(result.channels.size()) +
                        " channels, merged into one frame list: " +
                        ChannelListText(result.channels) + "; --channel N reads channel N alone");
    return notes;
}

std::string ReadableFormatNames() {
    std::vector<std::string_view> readable;
    for (const DataFormatInfo& info : kFormats)
        if (info.read != nullptr) readable.emplace_back(info.name);
    std::string names;
    for (std::size_t i = 0; i < readable.size(); ++i) {
        if (i > 0) names += i + 1 == readable.size() ? " or " : ", ";
        names += readable[i];
    }
    return names;
}

}  // namespace korvex::formats
