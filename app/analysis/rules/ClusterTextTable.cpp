#include "app/analysis/rules/ClusterTextTable.h"

#include <algorithm>
#include <cstring>

namespace korvex {
namespace {

// Cell texts are short; eight bytes at a time with a multiply-xor mix is far
// cheaper than the library's general string hash and spreads as well here.
std::size_t HashText(std::string_view text) {
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
    return static_cast<std::size_t>(hash);
}

}  // namespace

std::uint32_t CClusterTextTable::Intern(std::string_view text) {
    if ((texts.size() + 1) * 2 > slots.size()) Rehash(std::max<std::size_t>(64, slots.size() * 2));
    const std::size_t hash = HashText(text);
    const std::size_t mask = slots.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const std::uint32_t slot = slots[at];
        if (slot == 0) {
            const auto id = static_cast<std::uint32_t>(texts.size());
            texts.push_back(Store(text));
            hashes.push_back(hash);
            slots[at] = id + 1;
            return id;
        }
        if (hashes[slot - 1] == hash && texts[slot - 1] == text) return slot - 1;
    }
}

std::string_view CClusterTextTable::Store(std::string_view text) {
    if (text.empty()) return {};
    if (chunkUsed + text.size() > chunkCapacity) {
        chunkCapacity = std::max(kChunkSize, text.size());
        chunks.push_back(std::make_unique<char[]>(chunkCapacity));
        chunkUsed = 0;
    }
    char* at = chunks.back().get() + chunkUsed;
    std::memcpy(at, text.data(), text.size());
    chunkUsed += text.size();
    return {at, text.size()};
}

void CClusterTextTable::Rehash(std::size_t slotCount) {
    slots.assign(slotCount, 0);
    const std::size_t mask = slotCount - 1;
    for (std::size_t id = 0; id < texts.size(); ++id) {
        std::size_t at = hashes[id] & mask;
        while (slots[at] != 0) at = (at + 1) & mask;
        slots[at] = static_cast<std::uint32_t>(id + 1);
    }
}

}  // namespace korvex
