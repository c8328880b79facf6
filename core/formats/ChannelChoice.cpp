#include "core/formats/ChannelChoice.h"

namespace korvex::formats {
namespace {

// The clock entries that no frame left points to are dropped, so the spans
// of one channel are its own.
void DropUnusedClocks(CRecording& recording) {
    std::vector<OrigTimeEntry>& clocks = recording.origTimeList;
    std::vector<std::uint8_t> renumber(clocks.size(), kNoClockIndex);
    for (const _VCI_CAN_OBJ& f : recording.frames)
        if (ClockIndex(f) < clocks.size()) renumber[ClockIndex(f)] = 0;
    std::vector<OrigTimeEntry> kept;
    for (std::size_t i = 0; i < clocks.size(); ++i) {
        if (renumber[i] == kNoClockIndex) continue;
        renumber[i] = static_cast<std::uint8_t>(kept.size());
        kept.push_back(clocks[i]);
    }
    for (_VCI_CAN_OBJ& f : recording.frames)
        if (ClockIndex(f) < clocks.size()) f.Reserved[1] = renumber[ClockIndex(f)];
    clocks = std::move(kept);
}

void KeepChannel(CRecording& recording, int number) {
    CFrameChannels& channels = recording.channels;
    std::vector<bool> keep(recording.frames.size());
    std::size_t kept = 0;
    for (std::size_t i = 0; i < keep.size(); ++i) {
        keep[i] = channels.NumberOf(static_cast<std::int64_t>(i)) == number;
        if (keep[i]) recording.frames[kept++] = recording.frames[i];
    }
    recording.frames.resize(kept);
    channels.KeepOnly(keep);
    DropUnusedClocks(recording);
}

bool Refuse(ReadResult& result, ReadStatus status) {
    result.status = status;
    return false;
}

}  // namespace

bool ApplyChannelChoice(CRecording& recording, const LoadRequest& request, ReadResult& result) {
    CFrameChannels& channels = recording.channels;
    channels.Seal();
    const bool several = channels.Size() > 1;
    int wanted = request.read.channel;
    if (wanted == 0 && several && request.chooseChannel) {
        const std::optional<int> chosen = request.chooseChannel(channels.Counts());
        if (!chosen) return Refuse(result, ReadStatus::kNotImported);
        wanted = *chosen;
    }
    // A log that names no channel holds channel 1 only.
    if (wanted != 0 && (channels.Empty() ? wanted != 1 : !channels.Has(wanted))) {
        result.channel = wanted;
        result.channels = channels.Counts();
        return Refuse(result, ReadStatus::kNoSuchChannel);
    }
    if (wanted != 0 && several) {
        KeepChannel(recording, wanted);
        result.frames = static_cast<long long>(recording.frames.size());
    } else if (several && request.keepChannels == nullptr) {
        result.channels = channels.Counts();
    }
    if (request.keepChannels != nullptr) *request.keepChannels = std::move(channels);
    return true;
}

bool WritesChannels(DataFormat format) {
    switch (format) {
        case DataFormat::kCandump:
        case DataFormat::kAsc:
        case DataFormat::kBlf:
        case DataFormat::kTrc:
        case DataFormat::kPcapng:
            return true;
        default:
            return false;
    }
}

std::string ChannelListText(const std::vector<ChannelCount>& channels) {
    std::string text;
    for (const ChannelCount& c : channels) {
        if (!text.empty()) text += ", ";
        text += std::to_string(c.number);
        if (!c.name.empty()) text += " = " + c.name;
        text += " (" + std::to_string(c.frames) + " frames)";
    }
    return text;
}

}  // namespace korvex::formats
