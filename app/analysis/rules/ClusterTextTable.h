#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace korvex {

// Numbers the distinct texts of one column in the order they first appear,
// so that frames compare by number: two numbers are equal exactly when their
// texts are. The texts live in large chunks, so a new text costs no
// allocation of its own.
class CClusterTextTable {
  public:
    std::uint32_t Intern(std::string_view text);
    std::size_t Count() const { return texts.size(); }
    std::string_view Text(std::uint32_t id) const { return texts[id]; }

  private:
    static constexpr std::size_t kChunkSize = 1 << 20;

    std::string_view Store(std::string_view text);
    void Rehash(std::size_t slotCount);

    std::vector<std::unique_ptr<char[]>> chunks;
    std::size_t chunkUsed = kChunkSize;
    std::size_t chunkCapacity = kChunkSize;
    std::vector<std::string_view> texts;
    std::vector<std::size_t> hashes;   // hash of each text, kept for rehashing
    std::vector<std::uint32_t> slots;  // open addressing: 0 empty, else id + 1
};

}  // namespace korvex
