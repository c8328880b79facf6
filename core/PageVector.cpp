#include "core/PageVector.h"

#include <sys/mman.h>

#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#define KORVEX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVEX_ASAN 1
#endif
#endif

namespace korvex {
namespace {

// The size of a transparent huge page on the machines we run on; a mapping
// aligned to it lets the kernel back it with huge pages from the start.
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kPage = 4096;

std::size_t MappedBytes(std::size_t bytes) {
    return (bytes + kPage - 1) & ~(kPage - 1);
}

bool FromTheHeap(std::size_t bytes) {
#ifdef KORVEX_ASAN
    static_cast<void>(bytes);
    return true;
#else
    return bytes < kHugePage;
#endif
}

}  // namespace

void* AllocatePages(std::size_t bytes) {
    if (FromTheHeap(bytes)) return ::operator new(bytes);
    // Mapped a huge page larger, then cut to the aligned part.
    const std::size_t wanted = MappedBytes(bytes);
    const std::size_t mapped = wanted + kHugePage;
    void* mapping =
        mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapping);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start) munmap(mapping, aligned - start);
    const std::uintptr_t end = start + mapped;
    if (end > aligned + wanted)
        munmap(reinterpret_cast<void*>(aligned + wanted), end - aligned - wanted);
    // A kernel without transparent huge pages refuses; 4 KiB pages serve.
    madvise(reinterpret_cast<void*>(aligned), wanted, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void ReleasePages(void* memory, std::size_t bytes) {
    if (FromTheHeap(bytes)) {
        ::operator delete(memory);
        return;
    }
    munmap(memory, MappedBytes(bytes));
}

}  // namespace korvex
