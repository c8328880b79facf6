#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <new>

namespace korvex::formats {

// Gives arrays of several megabytes as their own mapping advised for
// transparent huge pages, smaller ones from the heap. Filling the frames of a
// recording of millions of frames then faults memory in 2 MiB steps rather
// than 4 KiB ones, which on a virtual machine costs more than the reading.
template <typename T>
struct CHugePageAllocator {
    using value_type = T;
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;
    static constexpr std::size_t kFewestBytes = std::size_t{4} << 20;

    CHugePageAllocator() = default;
    template <typename U>
    CHugePageAllocator(const CHugePageAllocator<U>&) {}

    T* allocate(std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kFewestBytes) return static_cast<T*>(::operator new(bytes));
        const std::size_t length = Rounded(bytes);
        // One huge page more than needed, so that the array can start on a
        // huge page boundary; the slack on either side goes back.
        void* mapped = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) throw std::bad_alloc();
        const auto at = reinterpret_cast<std::uintptr_t>(mapped);
        const std::uintptr_t start = (at + kHugePage - 1) & ~(kHugePage - 1);
        if (start > at) munmap(mapped, start - at);
        const std::size_t tail = at + kHugePage - start;  // never 0: start < at + kHugePage
        munmap(reinterpret_cast<void*>(start + length), tail);
        madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
        return reinterpret_cast<T*>(start);
    }

    void deallocate(T* p, std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kFewestBytes) {
            ::operator delete(p);
            return;
        }
        munmap(p, Rounded(bytes));
    }

    friend bool operator==(const CHugePageAllocator&, const CHugePageAllocator&) { return true; }

  private:
    static std::size_t Rounded(std::size_t bytes) {
        return (bytes + kHugePage - 1) & ~(kHugePage - 1);
    }
};

}  // namespace korvex::formats
