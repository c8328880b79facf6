#include "app/analysis/rules/ClusterGrouping.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "core/ZeroedPages.h"

namespace korvex {
namespace {

// Cell texts are short; eight bytes at a time with a multiply-xor mix is far
// cheaper than the library's general string hash and spreads as well here.
std::uint64_t HashText(std::string_view text) {
    std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ text.size();
    std::size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, 8);
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
        hash ^= hash >> 32;
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, text.data() + at, text.size() - at);
    hash = (hash ^ tail) * 0xC4CEB9FE1A85EC53ull;
    hash ^= hash >> 29;
    return hash;
}

// The part of the hashes a core takes: the hash's high bits.
unsigned PartOf(std::uint32_t hash, unsigned parts) {
    return static_cast<unsigned>((std::uint64_t{hash} * parts) >> 32);
}

// The texts of a frame in the chosen columns as one key, each text preceded
// by its length, so that keys are equal exactly when every text is.
class CKeyMaker {
  public:
    CKeyMaker(const FrameView& frames, const std::vector<std::int32_t>& columns,
              const ClusterCellTextFn& cellText)
        : frames(frames), columns(columns), cellText(cellText) {}

    void Make(std::int32_t f, std::string& key) {
        key.clear();
        for (const std::int32_t c : columns) {
            cellText(c, f, frames[f], text);
            const auto length = static_cast<std::uint32_t>(text.size());
            key.append(reinterpret_cast<const char*>(&length), sizeof length);
            key += text;
        }
    }

    std::uint32_t Hash(std::int32_t f) {
        std::uint64_t hash = 0x243F6A8885A308D3ull;
        for (const std::int32_t c : columns) {
            cellText(c, f, frames[f], text);
            hash = (hash ^ HashText(text)) * 0x9E3779B97F4A7C15ull;
            hash ^= hash >> 31;
        }
        return static_cast<std::uint32_t>(hash ^ (hash >> 32));
    }

  private:
    const FrameView& frames;
    const std::vector<std::int32_t>& columns;
    const ClusterCellTextFn& cellText;
    std::string text;
};

// The keys of the groups that have further frames, by head frame: what a
// frame is compared with when its hash agrees with such a group's. Memory
// grows with those groups only.
class CKeyPool {
  public:
    const std::string_view* Find(std::int32_t head) {
        if (slots.empty()) return nullptr;
        for (std::size_t at = Start(head);; at = (at + 1) & (slots.size() - 1)) {
            if (slots[at].head < 0) return nullptr;
            if (slots[at].head == head) {
                found = std::string_view(bytes).substr(slots[at].offset, slots[at].length);
                return &found;
            }
        }
    }
    void Add(std::int32_t head, const std::string& key) {
        if ((count + 1) * 2 > slots.size()) Grow();
        std::size_t at = Start(head);
        while (slots[at].head >= 0) at = (at + 1) & (slots.size() - 1);
        slots[at] = {head, static_cast<std::uint32_t>(key.size()), bytes.size()};
        bytes += key;
        ++count;
    }

  private:
    struct Slot {
        std::int32_t head = -1;
        std::uint32_t length = 0;
        std::size_t offset = 0;
    };
    std::size_t Start(std::int32_t head) const {
        return static_cast<std::size_t>(static_cast<std::uint32_t>(head) * 2654435761u) &
               (slots.size() - 1);
    }
    void Grow() {
        std::vector<Slot> old = std::move(slots);
        slots.assign(std::max<std::size_t>(64, old.size() * 2), Slot{});
        for (const Slot& s : old) {
            if (s.head < 0) continue;
            std::size_t at = Start(s.head);
            while (slots[at].head >= 0) at = (at + 1) & (slots.size() - 1);
            slots[at] = s;
        }
    }

    std::string bytes;
    std::vector<Slot> slots;
    std::size_t count = 0;
    std::string_view found;
};

// One core's table of groups: open addressing, each slot the group's hash and
// head frame + 1 (0 empty), sized from the frames the part expects, in
// zeroed pages from the system (huge ones where granted: every Find lands at
// random).
class CGroupTable {
  public:
    explicit CGroupTable(std::size_t expected) { Allocate(expected + expected * 4 / 5 + 64); }

    // The head of the group of frame f: an existing group's whose key is the
    // same (same(head) says), else f itself, which then heads a new group.
    template <typename Same>
    std::int32_t Find(std::uint32_t hash, std::int32_t f, Same&& same) {
        for (std::size_t at = Start(hash);; at = at + 1 == capacity ? 0 : at + 1) {
            const std::uint64_t slot = slots->get()[at];
            if (slot == 0) {
                slots->get()[at] = Slot(hash, f);
                if (++used * 20 > capacity * 17) Grow();
                return f;
            }
            if (static_cast<std::uint32_t>(slot >> 32) != hash) continue;
            const auto head = static_cast<std::int32_t>((slot & 0xFFFFFFFFu) - 1);
            if (same(head)) return head;
        }
    }

    // Asks for the first slot of `hash` ahead of its Find: a table of
    // millions of groups misses the cache at nearly every Find.
    void Prefetch(std::uint32_t hash) const { __builtin_prefetch(slots->get() + Start(hash)); }

  private:
    static std::uint64_t Slot(std::uint32_t hash, std::int32_t head) {
        return (std::uint64_t{hash} << 32) | (static_cast<std::uint32_t>(head) + 1u);
    }
    // The hash's low bits, mixed, scaled to the capacity: the high bits chose
    // the part, so they would crowd one corner of the table.
    std::size_t Start(std::uint32_t hash) const {
        return static_cast<std::size_t>((std::uint64_t{hash * 2654435761u} * capacity) >> 32);
    }
    void Allocate(std::size_t slotCount) {
        capacity = slotCount;
        slots = std::make_unique<CZeroedArray<std::uint64_t>>(capacity);
    }
    void Grow() {
        const std::unique_ptr<CZeroedArray<std::uint64_t>> old = std::move(slots);
        const std::size_t oldCapacity = capacity;
        Allocate(capacity * 2);
        for (std::size_t i = 0; i < oldCapacity; ++i) {
            const std::uint64_t slot = (*old)[i];
            if (slot == 0) continue;
            std::size_t at = Start(static_cast<std::uint32_t>(slot >> 32));
            while (slots->get()[at] != 0) at = at + 1 == capacity ? 0 : at + 1;
            slots->get()[at] = slot;
        }
    }

    std::unique_ptr<CZeroedArray<std::uint64_t>> slots;
    std::size_t capacity = 0;
    std::size_t used = 0;
};

// Finds the head of every frame whose hash falls into part `part`, in frame
// order, writing leader[f] for a frame that joins an earlier head (leader[f]
// is f already). A head writes nothing: the parts' frames lie interleaved,
// and the cores writing the same cache lines would bounce them.
bool GroupPart(unsigned part, unsigned parts, const FrameView& frames,
               const std::vector<std::int32_t>& columns, const ClusterCellTextFn& cellText,
               const std::uint32_t* hashes, std::int32_t count, std::int32_t* leader,
               const std::atomic<bool>* cancel) {
    const auto total = static_cast<std::size_t>(count);
    CGroupTable table(total / parts + total / (parts * 32));
    CKeyPool pool;
    CKeyMaker keys(frames, columns, cellText);
    std::string key;
    std::string headKey;
    // The next frames of the part are found ahead of use, and their slots
    // asked for, so that the cache misses of several frames overlap.
    constexpr int kAhead = 16;
    std::int32_t ahead[kAhead];
    int first = 0;
    int waiting = 0;
    std::int32_t scanned = 0;
    const auto findAhead = [&] {
        for (; waiting < kAhead && scanned < count; ++scanned) {
            if (PartOf(hashes[scanned], parts) != part) continue;
            ahead[(first + waiting++) % kAhead] = scanned;
            table.Prefetch(hashes[scanned]);
        }
    };
    for (findAhead(); waiting > 0; findAhead()) {
        const std::int32_t f = ahead[first];
        first = (first + 1) % kAhead;
        --waiting;
        if ((f & 0xFFFF) == 0 && cancel != nullptr && cancel->load(std::memory_order_relaxed))
            return false;
        bool keyMade = false;
        const std::int32_t joined = table.Find(hashes[f], f, [&](std::int32_t head) {
            if (!keyMade) keys.Make(f, key);
            keyMade = true;
            if (const std::string_view* kept = pool.Find(head)) return *kept == key;
            keys.Make(head, headKey);
            if (headKey != key) return false;
            pool.Add(head, headKey);
            return true;
        });
        if (joined != f) leader[f] = joined;
    }
    return true;
}

}  // namespace

bool SameClusterFrame(const _VCI_CAN_OBJ& a, const _VCI_CAN_OBJ& b) {
    if (a.ID != b.ID || a.ExternFlag != b.ExternFlag || a.RemoteFlag != b.RemoteFlag ||
        a.DataLen != b.DataLen)
        return false;
    const std::size_t length = std::min<std::size_t>(a.DataLen, sizeof a.Data);
    return std::memcmp(a.Data, b.Data, length) == 0;
}

bool GroupClusterFrames(const FrameView& frames, const std::vector<std::int32_t>& columns,
                        const ClusterCellTextFn& cellText, const PassSplit& split,
                        ClusterGrouping& out) {
    out = {};
    const std::int64_t count = frames.Count();
    // Every frame's hash, on all cores. The progress counts this pass and
    // the grouping after it as one frame each.
    // A frame's leader is set to itself here, beside its hash.
    const CZeroedArray<std::uint32_t> hashes(static_cast<std::size_t>(count));
    const CZeroedArray<std::int32_t> leader(static_cast<std::size_t>(count));
    struct Hashing {
        std::unique_ptr<CKeyMaker> keys;
    };
    PassSplit hashing = split;
    hashing.progress =
        split.progress ? [&](std::int64_t done, std::int64_t) { split.progress(done, 2 * count); }
                       : std::function<void(std::int64_t, std::int64_t)>();
    if (!RunSplitPass<Hashing>(
            count, hashing,
            [&](std::int64_t begin, std::int64_t end, Hashing& slot) {
                if (!slot.keys) slot.keys = std::make_unique<CKeyMaker>(frames, columns, cellText);
                for (std::int64_t f = begin; f < end; ++f) {
                    hashes[static_cast<std::size_t>(f)] =
                        slot.keys->Hash(static_cast<std::int32_t>(f));
                    leader[static_cast<std::size_t>(f)] = static_cast<std::int32_t>(f);
                }
            },
            [](std::int64_t, std::int64_t, Hashing&) { return true; }))
        return false;

    // Each core groups the frames of its part of the hashes.
    const unsigned parts = PassThreads(split, count);
    PassSplit byPart;
    byPart.threads = parts;
    byPart.blockItems = 1;
    std::atomic<bool> stopped{false};
    RunBlocks(parts, byPart, [&](std::int64_t part, std::int64_t) {
        if (!GroupPart(static_cast<unsigned>(part), parts, frames, columns, cellText, hashes.get(),
                       static_cast<std::int32_t>(count), leader.get(), split.cancel))
            stopped.store(true);
    });
    if (stopped.load()) return false;

    // The heads in frame order are the groups; the further frames are
    // chained from the last to the first, so each chain runs in frame order.
    // The hashes' room takes each head's count and uniform flag meanwhile.
    std::uint32_t* const tally = hashes.get();
    std::size_t groups = 0;
    for (std::int64_t f = 0; f < count; ++f) groups += leader[static_cast<std::size_t>(f)] == f;
    out.heads.reserve(groups);
    for (std::int64_t f = 0; f < count; ++f) {
        if (leader[static_cast<std::size_t>(f)] != f) continue;
        out.heads.push_back(static_cast<std::int32_t>(f));
        tally[static_cast<std::size_t>(f)] = ClusterGrouping::kUniform;
    }
    out.nextMember.assign(static_cast<std::size_t>(count), -1);
    for (std::int64_t f = count - 1; f >= 0; --f) {
        const auto member = static_cast<std::size_t>(f);
        const std::int32_t head = leader[member];
        if (head == f) continue;
        const auto h = static_cast<std::size_t>(head);
        out.nextMember[member] = out.nextMember[h];
        out.nextMember[h] = static_cast<std::int32_t>(f);
        const bool same = (tally[h] & ClusterGrouping::kUniform) != 0 &&
                          SameClusterFrame(frames[f], frames[head]);
        tally[h] =
            ((tally[h] & ~ClusterGrouping::kUniform) + 1) | (same ? ClusterGrouping::kUniform : 0u);
    }
    out.members.resize(out.heads.size());
    for (std::size_t g = 0; g < out.heads.size(); ++g)
        out.members[g] = tally[static_cast<std::size_t>(out.heads[g])];
    if (split.progress) split.progress(2 * count, 2 * count);
    return true;
}

std::vector<std::int32_t> ClusterMembers(const ClusterGrouping& grouping, std::size_t group) {
    std::vector<std::int32_t> members;
    members.reserve(static_cast<std::size_t>(grouping.MemberCount(group)));
    for (std::int32_t m = grouping.nextMember[static_cast<std::size_t>(grouping.heads[group])];
         m >= 0; m = grouping.nextMember[static_cast<std::size_t>(m)])
        members.push_back(m);
    return members;
}

}  // namespace korvex
