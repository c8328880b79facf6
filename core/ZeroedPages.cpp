#include "core/ZeroedPages.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define KORVEX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVEX_ASAN 1
#endif
#endif

namespace korvex {

#ifdef KORVEX_ASAN
// Under AddressSanitizer the heap's own memory, whose bounds it checks.
CZeroedPages::CZeroedPages(std::size_t bytes)
    : memory(std::calloc(bytes == 0 ? 1 : bytes, 1), Release{bytes}), data(memory.get()) {
    if (!memory) throw std::bad_alloc();
}

void CZeroedPages::Release::operator()(void* p) const {
    std::free(p);
}
#else
namespace {

// The size of a transparent huge page on the machines we run on; a mapping
// aligned to it lets the kernel back it with huge pages from the start.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

CZeroedPages::CZeroedPages(std::size_t bytes) {
    const std::size_t wanted = bytes == 0 ? 1 : bytes;
    const bool huge = wanted >= kHugePage;
    const std::size_t mapped = wanted + (huge ? kHugePage : 0);
    void* mapping =
        mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) throw std::bad_alloc();
    memory = std::unique_ptr<void, Release>(mapping, Release{mapped});
    auto at = reinterpret_cast<std::uintptr_t>(mapping);
    if (huge) {
        at = (at + kHugePage - 1) & ~(kHugePage - 1);
        // A kernel without transparent huge pages refuses; 4 KiB pages serve.
        madvise(reinterpret_cast<void*>(at), wanted, MADV_HUGEPAGE);
    }
    data = reinterpret_cast<void*>(at);
}

void CZeroedPages::Release::operator()(void* p) const {
    munmap(p, bytes);
}
#endif

}  // namespace korvex
