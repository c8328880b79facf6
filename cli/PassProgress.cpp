#include "cli/PassProgress.h"

#include <cstdio>

#include "cli/CliCommands.h"
#include "cli/UploadWatcher.h"

namespace korvex::cli {
namespace {

constexpr auto kRedrawPeriod = std::chrono::milliseconds(100);

}  // namespace

CPassProgress::CPassProgress(const CliStreams& io, const char* label)
    : err(io.err), enabled(io.progress), label(label), start(std::chrono::steady_clock::now()) {}

CPassProgress::~CPassProgress() {
    Finish();
}

PassSplit CPassProgress::Split() {
    PassSplit split;
    if (enabled)
        split.progress = [this](std::int64_t done, std::int64_t total) { Show(done, total); };
    return split;
}

void CPassProgress::Show(std::int64_t done, std::int64_t total) {
    if (total <= kLeastFrames) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn && done < total && now - lastDrawn < kRedrawPeriod) return;
    lastDrawn = now;
    char name[16];
    std::snprintf(name, sizeof name, "%-10s", label.c_str());
    const std::chrono::duration<double> elapsed = now - start;
    err << '\r' << name
        << ProgressLine(static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(total),
                        elapsed.count(), "frames")
        << std::flush;
    drawn = true;
}

void CPassProgress::Finish() {
    if (!drawn) return;
    err << '\n' << std::flush;
    drawn = false;
}

}  // namespace korvex::cli
