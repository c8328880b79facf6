#include "core/MappedFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <mutex>

namespace korvex {
namespace {

// The mappings that the SIGBUS handler may mend, as [begin, end) addresses;
// begin 0 marks a free entry. Read in the handler, so plain atomics only.
struct GuardEntry {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> truncated{false};
};
constexpr std::size_t kGuardEntries = 64;
std::array<GuardEntry, kGuardEntries> guardEntries;
std::atomic<bool> anyTruncated{false};
struct sigaction previousBusAction;

// A touch of a page past the end of a file cut short: the rest of the
// mapping from that page is replaced with zero pages, and the touch is made
// again when the handler returns. A SIGBUS elsewhere goes on as it would
// have without this handler.
void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    for (GuardEntry& entry : guardEntries) {
        const std::uintptr_t begin = entry.begin.load(std::memory_order_acquire);
        const std::uintptr_t end = entry.end.load(std::memory_order_acquire);
        if (begin == 0 || address < begin || address >= end) continue;
        const std::uintptr_t from = address & ~(page - 1);
        void* zero = mmap(reinterpret_cast<void*>(from), end - from, PROT_READ,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zero != MAP_FAILED) {
            entry.truncated.store(true, std::memory_order_release);
            anyTruncated.store(true, std::memory_order_release);
            return;
        }
    }
    if (previousBusAction.sa_flags & SA_SIGINFO) {
        previousBusAction.sa_sigaction(signal, info, context);
    } else if (previousBusAction.sa_handler != SIG_IGN && previousBusAction.sa_handler != SIG_DFL) {
        previousBusAction.sa_handler(signal);
    } else {
        // The default action: the touch is made again and ends the process.
        sigaction(SIGBUS, &previousBusAction, nullptr);
    }
}

void InstallBusGuard() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_sigaction = &OnBusError;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &previousBusAction);
    });
}

// The entry of the guard that now covers [data, data + size), or -1 when all
// are taken (that mapping then goes without).
int GuardMapping(std::uint8_t* data, std::size_t size) {
    InstallBusGuard();
    static std::mutex claiming;
    std::lock_guard<std::mutex> held(claiming);
    for (std::size_t i = 0; i < kGuardEntries; ++i) {
        GuardEntry& entry = guardEntries[i];
        if (entry.begin.load(std::memory_order_relaxed) != 0) continue;
        // The end goes first: the handler skips an entry while its begin is 0.
        entry.truncated.store(false, std::memory_order_relaxed);
        entry.end.store(reinterpret_cast<std::uintptr_t>(data) + size, std::memory_order_release);
        entry.begin.store(reinterpret_cast<std::uintptr_t>(data), std::memory_order_release);
        return static_cast<int>(i);
    }
    return -1;
}

struct FileDescriptor {
    int fd;
    ~FileDescriptor() {
        if (fd >= 0) close(fd);
    }
};

}  // namespace

std::shared_ptr<CMappedFile> CMappedFile::Open(const std::filesystem::path& path,
                                               std::error_code& error) {
    error.clear();
    const FileDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat status {};
    if (file.fd < 0 || fstat(file.fd, &status) != 0) {
        error = std::error_code(errno, std::generic_category());
        return nullptr;
    }
    if (!S_ISREG(status.st_mode)) {
        error = std::make_error_code(std::errc::not_supported);
        return nullptr;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    if (size == 0) return std::shared_ptr<CMappedFile>(new CMappedFile(nullptr, 0, -1));
    void* data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.fd, 0);
    if (data == MAP_FAILED) {
        error = std::error_code(errno, std::generic_category());
        return nullptr;
    }
    auto* bytes = static_cast<std::uint8_t*>(data);
    return std::shared_ptr<CMappedFile>(new CMappedFile(bytes, size, GuardMapping(bytes, size)));
}

CMappedFile::CMappedFile(std::uint8_t* data, std::size_t size, int guardSlot)
    : data(data), size(size), guardSlot(guardSlot) {}

CMappedFile::~CMappedFile() {
    if (guardSlot >= 0) {
        GuardEntry& entry = guardEntries[static_cast<std::size_t>(guardSlot)];
        entry.begin.store(0, std::memory_order_release);
        entry.end.store(0, std::memory_order_release);
    }
    if (data != nullptr) munmap(data, size);
}

bool CMappedFile::Populate(std::size_t offset, std::size_t length) const {
    if (offset >= size) return true;
    length = std::min(length, size - offset);
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t from = offset & ~(page - 1);
    if (madvise(data + from, length + (offset - from), MADV_POPULATE_READ) == 0) return true;
    if (errno != EINVAL) return false;
    // A kernel without populate: one touch per page reads it in.
    volatile std::uint8_t sink = 0;
    for (std::size_t at = from; at < offset + length; at += page) sink = sink + data[at];
    return true;
}

void CMappedFile::AdviseSequential() const {
    // Advice only: a kernel that ignores it reads the pages as they are touched.
    if (data == nullptr) return;
    madvise(data, size, MADV_SEQUENTIAL);
    madvise(data, size, MADV_WILLNEED);
}

bool CMappedFile::AnyTruncated() {
    return anyTruncated.load(std::memory_order_acquire);
}

bool CMappedFile::Truncated() const {
    return guardSlot >= 0 && guardEntries[static_cast<std::size_t>(guardSlot)].truncated.load(
                                 std::memory_order_acquire);
}

}  // namespace korvex
