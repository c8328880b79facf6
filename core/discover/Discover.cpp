#include "core/discover/Discover.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <tuple>

namespace korvex::discover {
namespace {

// Identifier, extended mark and length in one word, for hashing.
std::uint64_t PackKey(const _VCI_CAN_OBJ& frame) {
    return (std::uint64_t{frame.DataLen} << 40) | (std::uint64_t{frame.ExternFlag != 0} << 32) |
           frame.ID;
}

MessageKey UnpackKey(std::uint64_t key) {
    return {static_cast<std::uint32_t>(key), ((key >> 32) & 1) != 0,
            static_cast<std::uint8_t>(key >> 40)};
}

struct KeySeries {
    std::uint64_t key = 0;
    std::int64_t frames = 0;
    std::vector<std::uint64_t> data;
};

// Each identifier's data words in frame order, found through open
// addressing. Cleared between blocks without giving back its memory.
class CSeriesCollector {
  public:
    KeySeries& SeriesOf(std::uint64_t key) {
        if (2 * (used + 1) > slots.size()) Grow();
        const std::size_t mask = slots.size() - 1;
        for (std::size_t at = Hash(key) & mask;; at = (at + 1) & mask) {
            const int index = slots[at];
            if (index < 0) {
                slots[at] = static_cast<int>(used);
                if (used == series.size()) series.emplace_back();
                KeySeries& added = series[used++];
                added.key = key;
                return added;
            }
            if (series[static_cast<std::size_t>(index)].key == key)
                return series[static_cast<std::size_t>(index)];
        }
    }
    void Clear() {
        for (std::size_t i = 0; i < used; ++i) {
            series[i].frames = 0;
            series[i].data.clear();
        }
        std::fill(slots.begin(), slots.end(), -1);
        used = 0;
    }
    std::span<KeySeries> Used() { return {series.data(), used}; }

  private:
    static std::size_t Hash(std::uint64_t key) {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 40);
    }
    void Grow() {
        slots.assign(std::max<std::size_t>(64, 2 * slots.size()), -1);
        const std::size_t mask = slots.size() - 1;
        for (std::size_t i = 0; i < used; ++i) {
            std::size_t at = Hash(series[i].key) & mask;
            while (slots[at] >= 0) at = (at + 1) & mask;
            slots[at] = static_cast<int>(i);
        }
    }

    std::vector<int> slots;
    std::vector<KeySeries> series;
    std::size_t used = 0;
};

template <typename ForEachRun>
bool Discover(std::int64_t count, const ForEachRun& forEachRun, const DiscoverOptions& options,
              const PassSplit& split, std::vector<MessageDiscovery>& out) {
    std::vector<std::uint32_t> ids = options.ids;
    std::sort(ids.begin(), ids.end());
    const auto wanted = [&](const _VCI_CAN_OBJ& frame) {
        return FrameHasData(frame) &&
               (ids.empty() || std::binary_search(ids.begin(), ids.end(), frame.ID));
    };
    CSeriesCollector all;
    const bool complete = RunSplitPass<CSeriesCollector>(
        count, split,
        [&](std::int64_t begin, std::int64_t end, CSeriesCollector& block) {
            block.Clear();
            forEachRun(begin, end, [&](const _VCI_CAN_OBJ* run, int n) {
                for (int i = 0; i < n; ++i) {
                    const _VCI_CAN_OBJ& frame = run[i];
                    if (!wanted(frame)) continue;
                    std::uint64_t word;
                    std::memcpy(&word, frame.Data, sizeof word);
                    if constexpr (std::endian::native == std::endian::big)
                        word = __builtin_bswap64(word);
                    // Bytes past the length are not the message's.
                    const int bits = 8 * frame.DataLen;
                    if (bits < 64) word &= (std::uint64_t{1} << bits) - 1;
                    KeySeries& series = block.SeriesOf(PackKey(frame));
                    ++series.frames;
                    series.data.push_back(word);
                }
            });
        },
        [&](std::int64_t, std::int64_t, CSeriesCollector& block) {
            for (const KeySeries& part : block.Used()) {
                KeySeries& whole = all.SeriesOf(part.key);
                whole.frames += part.frames;
                const auto room = static_cast<std::size_t>(
                    kMaxAnalysedFrames - static_cast<std::int64_t>(whole.data.size()));
                const std::size_t taken = std::min(room, part.data.size());
                whole.data.insert(whole.data.end(), part.data.begin(),
                                  part.data.begin() + static_cast<std::ptrdiff_t>(taken));
            }
            return true;
        });
    if (!complete) return false;

    std::span<KeySeries> found = all.Used();
    std::sort(found.begin(), found.end(), [](const KeySeries& a, const KeySeries& b) {
        const MessageKey x = UnpackKey(a.key);
        const MessageKey y = UnpackKey(b.key);
        return std::tie(x.extended, x.id, x.length) < std::tie(y.extended, y.id, y.length);
    });
    out.assign(found.size(), MessageDiscovery{});
    PassSplit perMessage;
    perMessage.threads = split.threads;
    perMessage.blockItems = 1;
    perMessage.cancel = split.cancel;
    return RunBlocks(static_cast<std::int64_t>(found.size()), perMessage,
                     [&](std::int64_t begin, std::int64_t end) {
                         for (std::int64_t i = begin; i < end; ++i) {
                             const KeySeries& s = found[static_cast<std::size_t>(i)];
                             out[static_cast<std::size_t>(i)] = AnalyseMessage(
                                 UnpackKey(s.key), s.data, s.frames, options.minFrames);
                         }
                     });
}

}  // namespace

bool FrameHasData(const _VCI_CAN_OBJ& frame) {
    const std::uint32_t largestId = frame.ExternFlag != 0 ? 0x1FFFFFFF : 0x7FF;
    return EventCode(frame) == 0 && frame.RemoteFlag == 0 && frame.DataLen >= 1 &&
           frame.DataLen <= 8 && frame.ID <= largestId;
}

bool DiscoverMessages(const FrameView& frames, const DiscoverOptions& options,
                      const PassSplit& split, std::vector<MessageDiscovery>& out) {
    return Discover(
        frames.Count(),
        [&](std::int64_t begin, std::int64_t end, const auto& run) {
            frames.ForEachRun(
                begin, end, [&](std::int64_t, const _VCI_CAN_OBJ* items, int n) { run(items, n); });
        },
        options, split, out);
}

bool DiscoverMessages(std::span<const _VCI_CAN_OBJ> frames, const DiscoverOptions& options,
                      const PassSplit& split, std::vector<MessageDiscovery>& out) {
    return Discover(
        static_cast<std::int64_t>(frames.size()),
        [&](std::int64_t begin, std::int64_t end, const auto& run) {
            run(frames.data() + begin, static_cast<int>(end - begin));
        },
        options, split, out);
}

}  // namespace korvex::discover
