#include "cli/UploadWatcher.h"

#include <atomic>
#include <chrono>
#include <cstdio>

#include "logport/include/logport.h"

namespace korvex::cli {
namespace {

// Lock-free, so a signal handler may set it.
std::atomic<int> cancelRequested{0};
static_assert(std::atomic<int>::is_always_lock_free);

constexpr int kBarWidth = 30;

}  // namespace

void RequestCancel() {
    cancelRequested.store(1);
}

void ResetCancel() {
    cancelRequested.store(0);
}

std::string ProgressLine(std::uint64_t loaded, std::uint64_t total, double seconds,
                         const char* unit) {
    const double fraction =
        total == 0 ? 0.0 : static_cast<double>(loaded) / static_cast<double>(total);
    const int filled = static_cast<int>(fraction * kBarWidth + 0.5);
    std::string bar(static_cast<std::size_t>(filled > kBarWidth ? kBarWidth : filled), '#');
    bar.resize(kBarWidth, ' ');
    const double rate = seconds > 0 ? static_cast<double>(loaded) / seconds : 0.0;
    char text[160];
    std::snprintf(text, sizeof text, "[%s] %llu / %llu %s, %.0f %s/s", bar.c_str(),
                  static_cast<unsigned long long>(loaded), static_cast<unsigned long long>(total),
                  unit, rate, unit);
    return text;
}

CUploadWatcher::CUploadWatcher(std::ostream& err, bool drawProgress)
    : err(err), drawProgress(drawProgress), thread([this] { Run(); }) {}

CUploadWatcher::~CUploadWatcher() {
    Stop();
}

void CUploadWatcher::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (stopping) return;
        stopping = true;
    }
    wake.notify_all();
    thread.join();
    if (drawn) err << '\n' << std::flush;
}

void CUploadWatcher::Run() {
    const auto start = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(mutex);
    while (!wake.wait_for(lock, std::chrono::milliseconds(100), [this] { return stopping; })) {
        if (cancelRequested.load() != 0) LGP_CancelLoad();
        if (!drawProgress) continue;
        const std::uint32_t total = LGP_GetAllLoadCount();
        if (total == 0) continue;
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        err << '\r' << ProgressLine(LGP_GetCurLoadCount(), total, elapsed.count()) << std::flush;
        drawn = true;
    }
}

}  // namespace korvex::cli
