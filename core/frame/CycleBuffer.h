#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "BufferChunk.h"
#include "CriticalSection.h"

namespace korvex {

// Where a ring buffer takes its arrays from. Tests substitute one that fails.
template <typename T>
struct NewArrayAllocator {
    static T* Allocate(int n) { return new T[static_cast<std::size_t>(n)]; }
    static void Free(T* p) { delete[] p; }
};

}  // namespace korvex

// A locked ring buffer of fixed element type. Every operation holds the lock for
// its whole run, so a reader on another thread never sees a half-written
// element or an inconsistent head and count. When full, Push drops the oldest.
//
// The elements live in pieces of 65536 (fewer for a smaller capacity),
// allocated when a Push first reaches them, so a large capacity costs nothing
// until it is filled and growing never copies the whole array. A piece may
// also be records that the buffer only borrows (a mapped data file): those are
// never written; a write to them goes to a copy of that piece. A View shares
// the pieces it shows, and a later write to a shared piece copies it first, so
// what a view shows never changes under it.
template <typename T, typename Allocator = korvex::NewArrayAllocator<T>>
class CCycleBuffer {
  public:
    class CAutoLockCritical {
      public:
        explicit CAutoLockCritical(CCriticalSection* lock) : pLock(lock) { pLock->Lock(); }
        virtual ~CAutoLockCritical() { pLock->Unlock(); }
        CAutoLockCritical(const CAutoLockCritical&) = delete;
        CAutoLockCritical& operator=(const CAutoLockCritical&) = delete;

      private:
        CCriticalSection* pLock;
    };

    static constexpr int kFirstAllocation = 1024;
    static constexpr int kGrowStep = 1024;
    static constexpr int kChunkShift = 16;
    static constexpr int kChunkElements = 1 << kChunkShift;

    using ChunkRef = korvex::CChunkRef<T, Allocator>;
    using Chunk = korvex::CBufferChunk<T, Allocator>;

    // The elements a buffer held when the view was taken, oldest first. A view
    // needs no lock: nothing it shows is written while it lives.
    class CView {
      public:
        CView() = default;

        std::int64_t Count() const { return count; }
        const T& operator[](std::int64_t i) const {
            std::int64_t pos = head + i;
            if (pos >= capacity) pos -= capacity;
            return chunks[static_cast<std::size_t>(pos >> kChunkShift)]->Data()[pos & kChunkMask];
        }
        // Calls run(first, items, n) for the elements [begin, end) in pieces of
        // consecutive memory, `first` being the index of items[0].
        template <typename Run>
        void ForEachRun(std::int64_t begin, std::int64_t end, Run&& run) const {
            end = std::min(end, count);
            while (begin < end) {
                std::int64_t pos = head + begin;
                if (pos >= capacity) pos -= capacity;
                const std::int64_t inChunk = kChunkElements - (pos & kChunkMask);
                const std::int64_t toWrap = capacity - pos;
                const std::int64_t n = std::min({end - begin, inChunk, toWrap});
                const T* items = chunks[static_cast<std::size_t>(pos >> kChunkShift)]->Data() +
                                 (pos & kChunkMask);
                run(begin, items, static_cast<int>(n));
                begin += n;
            }
        }

      private:
        friend class CCycleBuffer;
        std::vector<ChunkRef> chunks;
        std::int64_t head = 0;
        std::int64_t count = 0;
        std::int64_t capacity = 0;
    };

    CCycleBuffer() = default;
    CCycleBuffer(const CCycleBuffer&) = delete;
    CCycleBuffer& operator=(const CCycleBuffer&) = delete;
    virtual ~CCycleBuffer() = default;

    // Appends one element; when the buffer is full the oldest is dropped.
    void Push(const T& item) {
        CAutoLockCritical guard(&lock);
        CFirstStorage first(*this);
        int tail = iHead + iCount;
        if (tail >= iCapacity) tail -= iCapacity;
        WritableLocked(tail >> kChunkShift)[tail & kChunkMask] = item;
        first.Keep();
        if (iCount + 1 > iCapacity) {
            iHead += iCount + 1 - iCapacity;
            if (iHead >= iCapacity) iHead -= iCapacity;
        }
        iCount = std::min(iCount + 1, iCapacity);
        TouchedLocked();
    }

    // Appends n elements under one hold of the lock, with the result of n
    // calls of Push: item k lands where the k-th Push would put it, and when
    // the run overflows the buffer only its last `capacity` items are kept.
    void PushRun(const T* items, int n) {
        if (items == nullptr || n <= 0) return;
        CAutoLockCritical guard(&lock);
        CFirstStorage first(*this);
        const long long capacity = iCapacity;
        const long long total = static_cast<long long>(iCount) + n;
        const long long kept = std::min<long long>(n, capacity);
        // Each Push advances head + count by one, so item k goes to
        // (head + count + k) mod capacity.
        const long long start = (iHead + iCount + (n - kept)) % capacity;
        // Every piece the run reaches is made writable first, so a failed
        // allocation leaves the buffer as it was.
        ForEachPieceLocked(start, kept, [&](long long pos, long long) {
            WritableLocked(static_cast<int>(pos >> kChunkShift));
        });
        first.Keep();
        const T* from = items + (n - kept);
        ForEachPieceLocked(start, kept, [&](long long pos, long long piece) {
            std::copy(
                from, from + piece,
                chunks[static_cast<std::size_t>(pos >> kChunkShift)]->Data() + (pos & kChunkMask));
            from += piece;
        });
        if (total > capacity) {
            iHead = static_cast<std::int32_t>((iHead + (total - capacity)) % capacity);
            iCount = iCapacity;
        } else {
            iCount = static_cast<std::int32_t>(total);
        }
        TouchedLocked();
    }

    // Copies the i-th oldest element (0 is the oldest); false past the count.
    bool Get(int i, T* out) {
        CAutoLockCritical guard(&lock);
        if (i < 0 || i >= iCount) return false;
        int index = iHead + i;
        if (index >= iCapacity) index = iHead - iCapacity + i;
        *out = chunks[static_cast<std::size_t>(index >> kChunkShift)]->Data()[index & kChunkMask];
        return true;
    }

    // The stored elements as they are now, for reading without the lock.
    CView View() {
        CAutoLockCritical guard(&lock);
        CView view;
        view.head = iHead;
        view.count = iCount;
        view.capacity = iCapacity;
        if (iCount > 0) view.chunks = chunks;
        return view;
    }

    // Makes room for n elements, keeping the stored ones oldest first. New
    // pieces are made only once every allocation has succeeded, so a failed
    // allocation leaves the buffer as it was.
    void Reserve(int n) {
        CAutoLockCritical guard(&lock);
        ReserveLocked(n);
    }

    void GrowIfFull() {
        CAutoLockCritical guard(&lock);
        if (iCount == iCapacity) ReserveLocked(iCapacity + kGrowStep);
    }

    // Forgets the elements but keeps the storage and the head.
    void Clear() {
        CAutoLockCritical guard(&lock);
        iCount = 0;
        TouchedLocked();
    }

    // Frees the storage; the next Push allocates for n elements (1024 when n
    // is 0). A negative n is taken as 0.
    void Reset(int n) {
        CAutoLockCritical guard(&lock);
        iCount = 0;
        iHead = 0;
        iCapacity = std::max(n, 0);
        chunks.clear();
        TouchedLocked();
    }

    // Makes `count` records that `keeper` keeps alive the buffer's contents,
    // without copying them: the capacity becomes count, of which the first
    // `shown` are stored elements (Reveal shows more). The records are never
    // written. Returns the token that Reveal takes.
    std::uint64_t Adopt(const T* records, int count, int shown,
                        std::shared_ptr<const void> keeper) {
        count = std::max(count, 0);
        std::vector<ChunkRef> borrowed(static_cast<std::size_t>(ChunkCount(count)));
        for (std::size_t c = 0; c < borrowed.size(); ++c) {
            const int first = static_cast<int>(c) << kChunkShift;
            borrowed[c] = ChunkRef(
                Chunk::Borrow(records + first, std::min(kChunkElements, count - first), keeper));
        }
        CAutoLockCritical guard(&lock);
        chunks = std::move(borrowed);
        iCapacity = count;
        iHead = 0;
        iCount = std::clamp(shown, 0, count);
        TouchedLocked();
        adoption = ++adoptions;
        return adoption;
    }

    // Shows the first n adopted records as stored elements, as long as
    // nothing else changed the buffer since Adopt gave `token`. False once
    // something has (the adopted records are then no longer its contents).
    bool Reveal(std::uint64_t token, int n) {
        CAutoLockCritical guard(&lock);
        if (token == 0 || token != adoption) return false;
        const int shown = std::clamp(n, iCount, iCapacity);
        if (shown != iCount) {
            iCount = shown;
            bChanged = 1;
        }
        return true;
    }

    int GetCount() {
        CAutoLockCritical guard(&lock);
        return iCount;
    }

    int GetCapacity() {
        CAutoLockCritical guard(&lock);
        return iCapacity;
    }

    int IsChanged() {
        CAutoLockCritical guard(&lock);
        return bChanged;
    }

  private:
    static constexpr std::int64_t kChunkMask = kChunkElements - 1;

    static int ChunkCount(int capacity) {
        return static_cast<int>((static_cast<long long>(capacity) + kChunkElements - 1) >>
                                kChunkShift);
    }
    // Elements in piece c of a buffer of `capacity`.
    static int ChunkSize(int c, int capacity) {
        return std::min(kChunkElements, capacity - (c << kChunkShift));
    }

    // Any change but Reveal ends what an adoption may still reveal.
    void TouchedLocked() {
        bChanged = 1;
        adoption = 0;
    }

    // A buffer without storage takes its capacity, or 1024, at the first
    // Push; when that Push fails to allocate, the buffer is left without.
    class CFirstStorage {
      public:
        explicit CFirstStorage(CCycleBuffer& buffer)
            : buffer(buffer), started(buffer.chunks.empty()), capacity(buffer.iCapacity) {
            if (!started) return;
            const int first = capacity > 0 ? capacity : kFirstAllocation;
            buffer.chunks.resize(static_cast<std::size_t>(ChunkCount(first)));
            buffer.iCapacity = first;
            buffer.iHead = 0;
        }
        ~CFirstStorage() {
            if (!started) return;
            buffer.chunks.clear();
            buffer.iCapacity = capacity;
        }
        CFirstStorage(const CFirstStorage&) = delete;
        CFirstStorage& operator=(const CFirstStorage&) = delete;
        void Keep() { started = false; }

      private:
        CCycleBuffer& buffer;
        bool started;
        int capacity;
    };

    // Piece c, allocated, of the buffer's own and held by nobody else.
    T* WritableLocked(int c) {
        ChunkRef& ref = chunks[static_cast<std::size_t>(c)];
        const int size = ChunkSize(c, iCapacity);
        if (ref && ref->Writable() && ref->Size() == size) return ref->Data();
        ChunkRef fresh(Chunk::Allocate(size));
        if (ref) std::copy(ref->Data(), ref->Data() + std::min(size, ref->Size()), fresh->Data());
        ref = std::move(fresh);
        return ref->Data();
    }

    // Calls visit(pos, n) for the positions start, start + 1, ... (n of them,
    // wrapping at the capacity) in pieces that stay within one chunk.
    template <typename Visit>
    void ForEachPieceLocked(long long start, long long n, Visit&& visit) {
        long long pos = start;
        while (n > 0) {
            const long long piece =
                std::min({n, static_cast<long long>(iCapacity) - pos,
                          static_cast<long long>(kChunkElements) - (pos & kChunkMask)});
            visit(pos, piece);
            n -= piece;
            pos += piece;
            if (pos == iCapacity) pos = 0;
        }
    }

    // An array of no elements could not take the next Push, so n <= 0 leaves
    // the buffer alone and the first Push allocates as usual.
    void ReserveLocked(int n) {
        if (n <= 0 || (n <= iCapacity && !chunks.empty())) return;
        if (chunks.empty() || iCount == 0) {
            // Nothing stored: the new pieces come with the pushes.
            chunks.assign(static_cast<std::size_t>(ChunkCount(n)), ChunkRef());
            iCapacity = n;
            iHead = 0;
            TouchedLocked();
            return;
        }
        std::vector<ChunkRef> grown;
        if (static_cast<long long>(iHead) + iCount <= iCapacity) {
            // The stored run does not wrap: it keeps its positions, and only
            // a last piece cut short by the old capacity is remade longer.
            grown = chunks;
            grown.resize(static_cast<std::size_t>(ChunkCount(n)));
            const int last = ChunkCount(iCapacity) - 1;
            ChunkRef& cut = grown[static_cast<std::size_t>(last)];
            if (cut && cut->Size() < ChunkSize(last, n)) {
                ChunkRef longer(Chunk::Allocate(ChunkSize(last, n)));
                std::copy(cut->Data(), cut->Data() + cut->Size(), longer->Data());
                cut = std::move(longer);
            }
        } else {
            // A wrapped run is copied out oldest first, the head going to 0.
            grown.resize(static_cast<std::size_t>(ChunkCount(n)));
            for (int c = 0; c < ChunkCount(iCount); ++c)
                grown[static_cast<std::size_t>(c)] = ChunkRef(Chunk::Allocate(ChunkSize(c, n)));
            for (int i = 0; i < iCount; ++i) {
                int from = iHead + i;
                if (from >= iCapacity) from -= iCapacity;
                grown[static_cast<std::size_t>(i >> kChunkShift)]->Data()[i & kChunkMask] =
                    chunks[static_cast<std::size_t>(from >> kChunkShift)]
                        ->Data()[from & kChunkMask];
            }
            iHead = 0;
        }
        chunks = std::move(grown);
        iCapacity = n;
        TouchedLocked();
    }

    std::int32_t bChanged = 0;
    CCriticalSection lock;
    std::vector<ChunkRef> chunks;  // one per piece of the capacity; empty before storage
    std::int32_t iCapacity = 0;
    std::int32_t iHead = 0;
    std::int32_t iCount = 0;
    std::uint64_t adoption = 0;   // the token of the adoption that Reveal may still show
    std::uint64_t adoptions = 0;  // adoptions made so far
};
