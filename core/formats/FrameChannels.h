#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The channel (bus, interface) of each frame read from a log that names one.
// The 24-byte frame record has no room for it and the frame list is of one
// channel, so it is kept beside the frames, by frame index, for as long as a
// conversion needs it.
namespace korvex::formats {

struct ChannelCount {
    int number = 0;    // as the file counts it; candump interfaces 1, 2, ... in name order
    std::string name;  // a candump interface; empty for a numbered channel
    long long frames = 0;
};

class CFrameChannels {
  public:
    // Channels a log can name; frames index them with 16 bits.
    static constexpr std::size_t kMaxChannels = 1 << 16;

    // The channel of the next frame, frames given in the order they are
    // kept. Nothing is stored per frame until a second channel appears, so a
    // log of one channel costs nothing per frame. AddNamed is false for a
    // name beyond the kMaxChannels-th.
    void AddNumbered(std::uint16_t number);
    bool AddNamed(std::string_view name);

    // Numbers the named channels by their names (can0 before can1 before
    // can10); called once every frame is added.
    void Seal();

    std::size_t Size() const { return entries.size(); }
    bool Empty() const { return entries.empty(); }
    long long FrameCount() const { return frames; }
    // Every channel with its frames, by number.
    std::vector<ChannelCount> Counts() const;
    bool Has(int number) const;
    // The number of the channel named `name` once sealed; 0 for a name that
    // no frame is on.
    int NumberOfNamed(std::string_view name) const;

    // Which channel entry frame `frame` is on: an index into Counts()'
    // unsorted list, for the writers' tables built once per file.
    std::size_t EntryOf(std::int64_t frame) const {
        return entryOfFrame.empty() ? 0 : entryOfFrame[static_cast<std::size_t>(frame)];
    }
    int NumberOfEntry(std::size_t entry) const { return entries[entry].number; }
    const std::string& NameOfEntry(std::size_t entry) const { return entries[entry].name; }
    int NumberOf(std::int64_t frame) const {
        return entries.empty() ? 1 : entries[EntryOf(frame)].number;
    }

    // Keeps the frames whose keep[i] is true, in order (the frames of one
    // channel when a file's channel is chosen).
    void KeepOnly(const std::vector<bool>& keep);

    // The candump interface name of each entry: a named channel keeps its
    // name; numbered channel N is `iface` with N − 1 added to its trailing
    // number ("can0" gives can0, can1, ...), or `iface` itself when the
    // file has one channel.
    std::vector<std::string> InterfaceNames(std::string_view iface) const;

  private:
    void AddEntry(std::uint16_t entry);

    std::vector<ChannelCount> entries;
    std::vector<std::uint16_t> entryOfFrame;
    std::map<std::uint16_t, std::uint16_t> byNumber;
    std::map<std::string, std::uint16_t, std::less<>> byName;
    long long frames = 0;
    std::uint16_t last = 0;  // the entry of the previous frame, the common case of the next
};

}  // namespace korvex::formats
