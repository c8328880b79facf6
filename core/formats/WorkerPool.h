#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace korvex::formats {

// Threads that share the pieces of one job at a time on all cores. ForEach
// runs a job with the calling thread taking pieces too, and returns once every
// piece has run; Start hands a job to the other threads and returns at once,
// so that the caller can do other work meanwhile, and Wait then helps to
// finish it. Pieces are claimed in order. A piece must not throw; the piece
// function must live until the job is finished.
class CWorkerPool {
  public:
    // `threads` counts the caller; 0 means one per core.
    explicit CWorkerPool(unsigned threads = 0);
    ~CWorkerPool();
    CWorkerPool(const CWorkerPool&) = delete;
    CWorkerPool& operator=(const CWorkerPool&) = delete;

    unsigned Threads() const { return static_cast<unsigned>(workers.size()) + 1; }
    void ForEach(std::size_t count, const std::function<void(std::size_t)>& piece);
    void Start(std::size_t count, const std::function<void(std::size_t)>& piece);
    void Wait();

  private:
    void Work();
    // Runs pieces of the current job until none is left to claim.
    void RunPieces(std::unique_lock<std::mutex>& held);

    std::mutex lock;
    std::condition_variable wake;
    std::condition_variable finishedAll;
    std::vector<std::thread> workers;
    const std::function<void(std::size_t)>* job = nullptr;
    std::size_t count = 0;
    std::size_t next = 0;
    std::size_t finished = 0;
    std::uint64_t generation = 0;
    bool stopping = false;
};

}  // namespace korvex::formats
