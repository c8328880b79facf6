#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "core/SplitPass.h"

namespace korvex {

// A pass split for a worker job's work: it stops on `cancel` and counts the
// items merged into `progress`.
inline PassSplit WatchedSplit(const std::atomic<bool>& cancel, std::atomic<long long>& progress) {
    PassSplit split;
    split.cancel = &cancel;
    split.progress = [&progress](std::int64_t done, std::int64_t) { progress = done; };
    return split;
}

// Says on the thread it was made on that a worker job's result is ready. The
// worker emits it, and its queued connection is made before any worker
// starts: only Qt's own code hands the call across the threads.
class CWorkerJobReady : public QObject {
    Q_OBJECT

  signals:
    void ready();
};

// A window's long piece of work (an analysis of ten million frames) on a
// thread of its own, so that the window stays responsive. The work watches a
// cancel flag and counts its progress; the window is told its progress
// on a timer; the result comes back on the thread the job was made on (the
// window's). One piece at a time: Start stops the running one first, and a
// result overtaken by Start or Stop is never delivered, nor one of a job that
// is gone.
template <typename Result>
class CWorkerJob {
  public:
    // The work: its result, or nothing when it was cancelled or gave up.
    using Work = std::function<std::optional<Result>(const std::atomic<bool>& cancel,
                                                     std::atomic<long long>& progress)>;
    using Deliver = std::function<void(Result)>;

    CWorkerJob() {
        QObject::connect(
            &readySignal, &CWorkerJobReady::ready, &readySignal, [this] { Hand(); },
            Qt::QueuedConnection);
        progressTimer.setInterval(kProgressMs);
        QObject::connect(&progressTimer, &QTimer::timeout, &progressTimer,
                         [this] { showProgress(PercentDone()); });
    }
    CWorkerJob(const CWorkerJob&) = delete;
    CWorkerJob& operator=(const CWorkerJob&) = delete;
    ~CWorkerJob() { Stop(); }

    // While work runs, show(percent done) is called on the job's thread
    // every kProgressMs.
    void OnProgress(std::function<void(int percent)> show) { showProgress = std::move(show); }

    // Runs work(cancel, progress) over `total` items on a thread of its own,
    // then deliver(result) on the job's thread.
    void Start(long long total, Work work, Deliver deliver) {
        Stop();
        items = total;
        progress = 0;
        running = true;
        deliverResult = std::move(deliver);
        if (showProgress) progressTimer.start();
        const unsigned mine = ++generation;
        worker = std::thread([this, mine, work = std::move(work)] {
            std::optional<Result> result = work(cancel, progress);
            {
                const std::lock_guard<std::mutex> lock(pendingLock);
                pending = std::move(result);
                endedGeneration = mine;
            }
            emit readySignal.ready();
        });
    }
    // Asks the work to stop; a result it still gives is delivered.
    void Cancel() { cancel = true; }
    // Cancels, waits for the thread and drops a result not yet delivered.
    void Stop() {
        cancel = true;
        if (worker.joinable()) worker.join();
        cancel = false;
        running = false;
        progressTimer.stop();
        const std::lock_guard<std::mutex> lock(pendingLock);
        pending.reset();
        endedGeneration = 0;
    }

    // Started, and neither delivered nor stopped yet.
    bool Running() const { return running; }
    long long Progress() const { return progress.load(std::memory_order_relaxed); }
    long long Total() const { return items; }
    int PercentDone() const { return items > 0 ? static_cast<int>(Progress() * 100 / items) : 0; }

  private:
    static constexpr int kProgressMs = 100;

    // On the job's thread: ends the work and hands its result over, unless a
    // later Start or a Stop overtook it. Work that gave no result ends too.
    void Hand() {
        std::optional<Result> result;
        {
            const std::lock_guard<std::mutex> lock(pendingLock);
            if (endedGeneration != generation) return;
            endedGeneration = 0;
            result = std::move(pending);
            pending.reset();
        }
        if (worker.joinable()) worker.join();
        running = false;
        progressTimer.stop();
        if (result) deliverResult(std::move(*result));
    }

    CWorkerJobReady readySignal;
    std::thread worker;
    std::atomic<bool> cancel{false};
    std::atomic<long long> progress{0};
    long long items = 0;
    bool running = false;
    unsigned generation = 0;
    Deliver deliverResult;
    std::function<void(int percent)> showProgress;
    QTimer progressTimer;
    // The ended work's result, left under the lock for Hand, so that nothing
    // of it crosses threads through Qt's event queue; the generation of that
    // work, 0 when none ended since the last Stop.
    std::mutex pendingLock;
    std::optional<Result> pending;
    unsigned endedGeneration = 0;
};

}  // namespace korvex
