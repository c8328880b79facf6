#include "app/analysis/rules/ClusterGrouping.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "app/analysis/rules/CellFields.h"
#include "core/PageVector.h"

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

// The frames a part of the hashes holds, about: a core's table for them
// (some 11 MB) is cleared faster than fresh pages come from the system.
constexpr std::int64_t kPartFrames = std::int64_t{1} << 20;

// The part of the hashes a frame falls into: the hash's high bits.
unsigned PartOf(std::uint32_t hash, unsigned parts) {
    return static_cast<unsigned>((std::uint64_t{hash} * parts) >> 32);
}

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

// The grouping's key where the texts are compared: the texts of a frame in
// the chosen columns as one key, each text preceded by its length, so that
// keys are equal exactly when every text is. A copy for each thread; the
// keys of the heads it compared with are kept (CKeyPool), so a frame is
// compared with its group's head without making the head's texts again.
class CTextKeys {
  public:
    CTextKeys(const FrameView& frames, const std::vector<std::int32_t>& columns,
              const ClusterCellTextFn& cellText)
        : frames(&frames), columns(&columns), cellText(&cellText) {}

    std::uint32_t Hash(std::int32_t f) {
        std::uint64_t hash = 0x243F6A8885A308D3ull;
        for (const std::int32_t c : *columns) {
            (*cellText)(c, f, (*frames)[f], text);
            hash = (hash ^ HashText(text)) * 0x9E3779B97F4A7C15ull;
            hash ^= hash >> 31;
        }
        return static_cast<std::uint32_t>(hash ^ (hash >> 32));
    }

    // Whether frame f shows the texts of group head `head`; asked for f's
    // candidate heads in turn.
    bool Same(std::int32_t f, std::int32_t head) {
        if (keyOf != f) Make(f, key);
        keyOf = f;
        if (const std::string_view* kept = pool.Find(head)) return *kept == key;
        Make(head, headKey);
        if (headKey != key) return false;
        pool.Add(head, headKey);
        return true;
    }

  private:
    void Make(std::int32_t f, std::string& out) {
        out.clear();
        for (const std::int32_t c : *columns) {
            (*cellText)(c, f, (*frames)[f], text);
            const auto length = static_cast<std::uint32_t>(text.size());
            out.append(reinterpret_cast<const char*>(&length), sizeof length);
            out += text;
        }
    }

    const FrameView* frames;
    const std::vector<std::int32_t>* columns;
    const ClusterCellTextFn* cellText;
    CKeyPool pool;
    std::string text;
    std::string key;
    std::string headKey;
    std::int32_t keyOf = -1;
};

// The grouping's key where every chosen column's text follows from a few of
// the frame's fields (CCellFields): those fields, cut to what the texts show,
// so that two frames' keys are equal exactly when their texts are. Nothing
// is made per frame but the key itself.
class CFieldKeys {
  public:
    CFieldKeys(const FrameView& frames, const std::vector<std::int32_t>& columns,
               const ExportRowContext& context)
        : frames(&frames) {
        for (const std::int32_t c : columns) {
            const CCellFields fields(c, context);
            switch (fields.GetKind()) {
                case CCellFields::Kind::kIdentifier:
                    identifier = true;
                    break;
                case CCellFields::Kind::kData:
                    data = true;
                    break;
                case CCellFields::Kind::kByte:
                    AddByteColumn(fields);
                    break;
                case CCellFields::Kind::kNone:
                    decided = false;
                    break;
            }
        }
    }

    // False when a column's text does not follow from the fields.
    bool Decided() const { return decided; }

    std::uint32_t Hash(std::int32_t f) const {
        const Key key = Of((*frames)[f]);
        std::uint64_t hash = (key.data ^ 0x243F6A8885A308D3ull) * 0x9E3779B97F4A7C15ull;
        hash = (hash ^ (hash >> 31) ^ key.shown ^ (std::uint64_t{key.bytes} << 37)) *
               0xFF51AFD7ED558CCDull;
        hash ^= hash >> 32;
        return static_cast<std::uint32_t>(hash);
    }
    bool Same(std::int32_t f, std::int32_t head) const {
        return Of((*frames)[f]) == Of((*frames)[head]);
    }

  private:
    struct Key {
        std::uint64_t data = 0;  // the bytes the data text shows
        // Bits 0-32 the identifier text (bit 32: an event record's empty
        // text), 33-36 the number of data bytes shown.
        std::uint64_t shown = 0;
        // A byte each: a byte column's text, as the first value of its byte
        // that shows it.
        std::uint32_t bytes = 0;
        bool operator==(const Key&) const = default;
    };
    struct ByteColumn {
        CCellFields fields;
        std::array<std::uint8_t, 256> text{};
    };

    void AddByteColumn(const CCellFields& fields) {
        ByteColumn column{fields, {}};
        const std::vector<std::string>& texts = fields.ByteTexts();
        for (std::size_t v = 0; v < texts.size(); ++v) {
            std::size_t first = 0;
            while (texts[first] != texts[v]) ++first;
            column.text[v] = static_cast<std::uint8_t>(first);
        }
        byteColumns.push_back(std::move(column));
    }

    Key Of(const _VCI_CAN_OBJ& frame) const {
        Key key;
        if (identifier) key.shown = EventCode(frame) != 0 ? std::uint64_t{1} << 32 : frame.ID;
        if (data && frame.RemoteFlag == 0) {
            const unsigned shown = std::min(frame.DataLen & 0x0Fu, 8u);
            std::memcpy(&key.data, frame.Data, shown);
            key.shown |= std::uint64_t{shown} << 33;
        }
        int shift = 0;
        for (const ByteColumn& column : byteColumns) {
            key.bytes |= std::uint32_t{column.text[column.fields.ByteOf(frame)]} << shift;
            shift += 8;
        }
        return key;
    }

    const FrameView* frames;
    bool identifier = false;
    bool data = false;
    bool decided = true;
    std::vector<ByteColumn> byteColumns;
};

// One core's table of the groups of a part: open addressing, each slot the
// group's hash and head frame + 1 (0 empty), sized from the frames the part
// expects, in pages from the system (huge ones where granted: every Find
// lands at random). A core takes its parts one after the other in the same
// table, since fresh pages cost far more than clearing used ones.
class CGroupTable {
  public:
    // Empties the table for a part of `expected` frames.
    void Reset(std::size_t expected) {
        capacity = expected + expected * 2 / 5 + 64;
        used = 0;
        slots.assign(capacity, 0);
    }

    // The head of the group of frame f: an existing group's whose key is the
    // same (same(head) says), else f itself, which then heads a new group.
    template <typename Same>
    std::int32_t Find(std::uint32_t hash, std::int32_t f, Same&& same) {
        for (std::size_t at = Start(hash);; at = at + 1 == capacity ? 0 : at + 1) {
            const std::uint64_t slot = slots[at];
            if (slot == 0) {
                slots[at] = Slot(hash, f);
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
    void Prefetch(std::uint32_t hash) const { __builtin_prefetch(slots.data() + Start(hash)); }

  private:
    static std::uint64_t Slot(std::uint32_t hash, std::int32_t head) {
        return (std::uint64_t{hash} << 32) | (static_cast<std::uint32_t>(head) + 1u);
    }
    // The hash's low bits, mixed, scaled to the capacity: the high bits chose
    // the part, so they would crowd one corner of the table.
    std::size_t Start(std::uint32_t hash) const {
        return static_cast<std::size_t>((std::uint64_t{hash * 2654435761u} * capacity) >> 32);
    }
    void Grow() {
        PageVector<std::uint64_t> old(capacity * 2, 0);
        old.swap(slots);
        capacity = slots.size();
        for (const std::uint64_t slot : old) {
            if (slot == 0) continue;
            std::size_t at = Start(static_cast<std::uint32_t>(slot >> 32));
            while (slots[at] != 0) at = at + 1 == capacity ? 0 : at + 1;
            slots[at] = slot;
        }
    }

    PageVector<std::uint64_t> slots;
    std::size_t capacity = 0;
    std::size_t used = 0;
};

// Finds the head of every frame whose hash falls into part `part`, in frame
// order, in `table`, writing leader[f] for a frame that joins an earlier head
// (leader[f] is f already). A head writes nothing: the parts' frames lie
// interleaved, and the cores writing the same cache lines would bounce them.
template <typename Keys>
bool GroupPart(unsigned part, unsigned parts, Keys keys, CGroupTable& table,
               const std::uint32_t* hashes, std::int32_t count, std::int32_t* leader,
               const std::atomic<bool>* cancel) {
    const auto total = static_cast<std::size_t>(count);
    table.Reset(total / parts + total / (parts * 32));
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
        const std::int32_t joined =
            table.Find(hashes[f], f, [&](std::int32_t head) { return keys.Same(f, head); });
        if (joined != f) leader[f] = joined;
    }
    return true;
}

// Turns the leaders into the chains of further frames, in place: from the
// last frame to the first, a further frame goes in front of its head's chain
// (kept in the head's own entry until the head is reached), so each chain
// runs in frame order and ends with -1. An entry above its own index is thus
// a head's chain, below it a further frame's head, equal a head alone.
// tally[head] counts the further frames and keeps kUniform while all are
// identical to the head.
void ChainMembers(const FrameView& frames, PageVector<std::int32_t>& leader,
                  PageVector<std::uint32_t>& tally) {
    for (auto f = static_cast<std::int64_t>(leader.size()) - 1; f >= 0; --f) {
        const auto at = static_cast<std::size_t>(f);
        const std::int32_t entry = leader[at];
        if (entry > f) continue;
        if (entry == f) {
            leader[at] = -1;
            continue;
        }
        const auto h = static_cast<std::size_t>(entry);
        leader[at] = leader[h] == entry ? -1 : leader[h];
        leader[h] = static_cast<std::int32_t>(f);
        const bool same = (tally[h] & ClusterGrouping::kUniform) != 0 &&
                          SameClusterFrame(frames[f], frames[entry]);
        tally[h] =
            ((tally[h] & ~ClusterGrouping::kUniform) + 1) | (same ? ClusterGrouping::kUniform : 0u);
    }
}

template <typename Keys>
bool GroupByKeys(const FrameView& frames, const Keys& keys, const PassSplit& split,
                 ClusterGrouping& out) {
    out = {};
    const std::int64_t count = frames.Count();
    // Every frame's hash, on all cores. The progress counts this pass and
    // the grouping after it as one frame each.
    // A frame's leader is set to itself here, beside its hash.
    PageVector<std::uint32_t> hashes(static_cast<std::size_t>(count));
    PageVector<std::int32_t> leader(static_cast<std::size_t>(count));
    struct Hashing {
        std::optional<Keys> keys;
    };
    PassSplit hashing = split;
    hashing.progress =
        split.progress ? [&](std::int64_t done, std::int64_t) { split.progress(done, 2 * count); }
                       : std::function<void(std::int64_t, std::int64_t)>();
    if (!RunSplitPass<Hashing>(
            count, hashing,
            [&](std::int64_t begin, std::int64_t end, Hashing& slot) {
                if (!slot.keys) slot.keys.emplace(keys);
                for (std::int64_t f = begin; f < end; ++f) {
                    hashes[static_cast<std::size_t>(f)] =
                        slot.keys->Hash(static_cast<std::int32_t>(f));
                    leader[static_cast<std::size_t>(f)] = static_cast<std::int32_t>(f);
                }
            },
            [](std::int64_t, std::int64_t, Hashing&) { return true; }))
        return false;

    // Each core groups the frames of its parts of the hashes, a part at a
    // time, so that its table stays small.
    const unsigned threads = PassThreads(split, count);
    const auto partsPerThread =
        static_cast<unsigned>(std::max<std::int64_t>(1, count / (threads * kPartFrames)));
    const unsigned parts = threads * partsPerThread;
    PassSplit byThread;
    byThread.threads = threads;
    byThread.blockItems = 1;
    std::atomic<bool> stopped{false};
    RunBlocks(threads, byThread, [&](std::int64_t thread, std::int64_t) {
        CGroupTable table;
        for (auto part = static_cast<unsigned>(thread); part < parts; part += threads) {
            if (!GroupPart(part, parts, keys, table, hashes.data(),
                           static_cast<std::int32_t>(count), leader.data(), split.cancel)) {
                stopped.store(true);
                return;
            }
        }
    });
    if (stopped.load()) return false;

    // The heads in frame order are the groups. The hashes' room takes each
    // head's count and uniform flag, then becomes the groups' counts; the
    // leaders' room becomes the chains of further frames.
    std::size_t groups = 0;
    for (std::int64_t f = 0; f < count; ++f) groups += leader[static_cast<std::size_t>(f)] == f;
    out.heads.resize(groups);
    for (std::int64_t f = 0, g = 0; f < count; ++f) {
        if (leader[static_cast<std::size_t>(f)] != f) continue;
        out.heads[static_cast<std::size_t>(g++)] = static_cast<std::int32_t>(f);
        hashes[static_cast<std::size_t>(f)] = ClusterGrouping::kUniform;
    }
    ChainMembers(frames, leader, hashes);
    for (std::size_t g = 0; g < groups; ++g)
        hashes[g] = hashes[static_cast<std::size_t>(out.heads[g])];
    hashes.resize(groups);
    if (groups < hashes.capacity() / 2) hashes.shrink_to_fit();
    out.members = std::move(hashes);
    out.nextMember = std::move(leader);
    if (split.progress) split.progress(2 * count, 2 * count);
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
    return GroupByKeys(frames, CTextKeys(frames, columns, cellText), split, out);
}

bool GroupClusterFrames(const FrameView& frames, const std::vector<std::int32_t>& columns,
                        const ExportRowContext& context, const PassSplit& split,
                        ClusterGrouping& out) {
    if (const CFieldKeys keys(frames, columns, context); keys.Decided())
        return GroupByKeys(frames, keys, split, out);
    const ClusterCellTextFn cellText = [&context](int column, long long row,
                                                  const _VCI_CAN_OBJ& frame, std::string& text) {
        FormatCellText(row, frame, column, context, text);
    };
    return GroupClusterFrames(frames, columns, cellText, split, out);
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
