#pragma once

#include <cstddef>
#include <new>
#include <utility>
#include <vector>

namespace korvex {

// Memory for a large array that a pass fills at random or whole, straight
// from the system: huge pages are asked for where the kernel grants them on
// request, so that an array of millions of elements costs a few page faults
// and TLB entries instead of one for every 4 KiB. Below a huge page, and
// under AddressSanitizer (whose heap checks the bounds), the heap's own.
void* AllocatePages(std::size_t bytes);
void ReleasePages(void* memory, std::size_t bytes);

// An allocator of such memory for std::vector. An element made without a
// value is left as it is: a resize writes nothing, the pass that follows
// writes every element, and pages never touched are never made resident.
template <typename T>
struct CPageAllocator {
    using value_type = T;

    CPageAllocator() = default;
    template <typename U>
    explicit CPageAllocator(const CPageAllocator<U>&) {}

    T* allocate(std::size_t n) { return static_cast<T*>(AllocatePages(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) { ReleasePages(p, n * sizeof(T)); }

    template <typename U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    friend bool operator==(const CPageAllocator&, const CPageAllocator&) { return true; }
};

template <typename T>
using PageVector = std::vector<T, CPageAllocator<T>>;

}  // namespace korvex
