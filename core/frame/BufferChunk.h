#pragma once

#include <atomic>
#include <memory>
#include <utility>

namespace korvex {

// One piece of a ring buffer's storage: `size` elements, either an array of
// the buffer's own or records that something else keeps alive (the pages of
// a mapped file). The buffer and the views taken from it share pieces; the
// count of holders is kept by hand so that a writer that finds itself the
// only holder (an acquire load, ordering every former holder's reads before
// its write) may write in place, and copies the piece otherwise.
template <typename T, typename Allocator>
class CBufferChunk {
  public:
    // An array of `size` elements of the buffer's own.
    static CBufferChunk* Allocate(int size) {
        T* data = Allocator::Allocate(size);
        try {
            return new CBufferChunk(data, size, true, nullptr);
        } catch (...) {
            Allocator::Free(data);
            throw;
        }
    }
    // `size` records that `keeper` keeps alive; they are never written.
    static CBufferChunk* Borrow(const T* records, int size, std::shared_ptr<const void> keeper) {
        return new CBufferChunk(const_cast<T*>(records), size, false, std::move(keeper));
    }

    CBufferChunk(const CBufferChunk&) = delete;
    CBufferChunk& operator=(const CBufferChunk&) = delete;

    void Hold() { holders.fetch_add(1, std::memory_order_relaxed); }
    void Release() {
        if (holders.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }
    // The holder that asks may write: nobody else holds it and it is its own.
    bool Writable() const { return owned && holders.load(std::memory_order_acquire) == 1; }

    T* Data() { return data; }
    const T* Data() const { return data; }
    int Size() const { return size; }

  private:
    CBufferChunk(T* data, int size, bool owned, std::shared_ptr<const void> keeper)
        : data(data), size(size), owned(owned), keeper(std::move(keeper)) {}
    ~CBufferChunk() {
        if (owned) Allocator::Free(data);
    }

    std::atomic<int> holders{1};
    T* data;
    int size;
    bool owned;
    std::shared_ptr<const void> keeper;
};

// A counted reference to a chunk; empty for a piece not allocated yet.
template <typename T, typename Allocator>
class CChunkRef {
  public:
    using Chunk = CBufferChunk<T, Allocator>;

    CChunkRef() = default;
    // Takes over the holding that `chunk` was made with.
    explicit CChunkRef(Chunk* chunk) : chunk(chunk) {}
    CChunkRef(const CChunkRef& other) : chunk(other.chunk) {
        if (chunk) chunk->Hold();
    }
    CChunkRef(CChunkRef&& other) noexcept : chunk(std::exchange(other.chunk, nullptr)) {}
    CChunkRef& operator=(CChunkRef other) noexcept {
        std::swap(chunk, other.chunk);
        return *this;
    }
    ~CChunkRef() {
        if (chunk) chunk->Release();
    }

    Chunk* get() const { return chunk; }
    Chunk* operator->() const { return chunk; }
    explicit operator bool() const { return chunk != nullptr; }

  private:
    Chunk* chunk = nullptr;
};

}  // namespace korvex
