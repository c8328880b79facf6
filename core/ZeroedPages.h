#pragma once

#include <cstddef>
#include <memory>

namespace korvex {

// Zeroed memory straight from the system for a large array that a pass
// fills at random or whole: huge pages are asked for where the kernel grants
// them on request, so that an array of millions of slots costs a few page
// faults and TLB entries instead of one for every 4 KiB. Pages never touched
// are never made resident.
class CZeroedPages {
  public:
    // Throws std::bad_alloc when the system refuses the memory.
    explicit CZeroedPages(std::size_t bytes);

    void* Data() const { return data; }

  private:
    struct Release {
        std::size_t bytes;
        void operator()(void* memory) const;
    };
    std::unique_ptr<void, Release> memory;
    void* data = nullptr;
};

// An array of n zeroed elements of a trivial type in such memory.
template <typename T>
class CZeroedArray {
  public:
    explicit CZeroedArray(std::size_t n) : pages(n * sizeof(T)) {}
    T* get() const { return static_cast<T*>(pages.Data()); }
    T& operator[](std::size_t i) const { return get()[i]; }

  private:
    CZeroedPages pages;
};

}  // namespace korvex
