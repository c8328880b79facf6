#include "core/formats/WorkerPool.h"

namespace korvex::formats {

CWorkerPool::CWorkerPool(unsigned threads) {
    if (threads == 0) threads = std::thread::hardware_concurrency();
    for (unsigned i = 1; i < threads; ++i) workers.emplace_back([this] { Work(); });
}

CWorkerPool::~CWorkerPool() {
    {
        std::lock_guard<std::mutex> held(lock);
        stopping = true;
    }
    wake.notify_all();
    for (std::thread& worker : workers) worker.join();
}

void CWorkerPool::RunPieces(std::unique_lock<std::mutex>& held) {
    while (next < count) {
        const std::size_t piece = next++;
        const std::function<void(std::size_t)>& run = *job;
        held.unlock();
        run(piece);
        held.lock();
        if (++finished == count) finishedAll.notify_all();
    }
}

void CWorkerPool::Work() {
    std::uint64_t seen = 0;
    std::unique_lock<std::mutex> held(lock);
    for (;;) {
        wake.wait(held, [&] { return stopping || generation != seen; });
        if (stopping) return;
        seen = generation;
        RunPieces(held);
    }
}

void CWorkerPool::Start(std::size_t pieces, const std::function<void(std::size_t)>& piece) {
    std::lock_guard<std::mutex> held(lock);
    job = &piece;
    count = pieces;
    next = 0;
    finished = 0;
    ++generation;
    wake.notify_all();
}

void CWorkerPool::Wait() {
    std::unique_lock<std::mutex> held(lock);
    if (job == nullptr) return;
    RunPieces(held);
    finishedAll.wait(held, [&] { return finished == count; });
    job = nullptr;
    count = 0;
}

void CWorkerPool::ForEach(std::size_t pieces, const std::function<void(std::size_t)>& piece) {
    Start(pieces, piece);
    Wait();
}

}  // namespace korvex::formats
