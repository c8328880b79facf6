#include "core/SplitPass.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <thread>

namespace korvex {
namespace {

constexpr unsigned kMostThreads = 64;

unsigned ThreadsWanted(const PassSplit& split) {
    if (split.threads != 0) return std::min(split.threads, kMostThreads);
    if (const char* set = std::getenv("KORVEX_PASS_THREADS")) {
        const long n = std::strtol(set, nullptr, 10);
        if (n > 0) return static_cast<unsigned>(std::min<long>(n, kMostThreads));
    }
    return std::clamp(std::thread::hardware_concurrency(), 1u, kMostThreads);
}

std::int64_t BlockItems(const PassSplit& split) {
    return std::max<std::int64_t>(split.blockItems, 1);
}

bool Cancelled(const PassSplit& split) {
    return split.cancel != nullptr && split.cancel->load(std::memory_order_relaxed);
}

// What the threads of one pass share, under `lock`.
struct PassState {
    std::mutex lock;
    std::condition_variable workerWake;
    std::condition_variable mergerWake;
    std::int64_t next = 0;            // the next block to work on
    std::int64_t merged = 0;          // blocks merged so far
    std::vector<std::int64_t> ready;  // per slot: the block whose work is done there
    bool stop = false;
    std::exception_ptr error;
};

}  // namespace

unsigned PassThreads(const PassSplit& split, std::int64_t items) {
    const std::int64_t blocks =
        (std::max<std::int64_t>(items, 0) + BlockItems(split) - 1) / BlockItems(split);
    return static_cast<unsigned>(
        std::max<std::int64_t>(1, std::min<std::int64_t>(ThreadsWanted(split), blocks)));
}

bool RunOrderedBlocks(std::int64_t count, const PassSplit& split, int slotCount,
                      const std::function<void(int, std::int64_t, std::int64_t)>& work,
                      const std::function<bool(int, std::int64_t, std::int64_t)>& merge) {
    if (count <= 0) return true;
    const std::int64_t block = BlockItems(split);
    const std::int64_t blocks = (count + block - 1) / block;
    const unsigned threads = PassThreads(split, count);
    slotCount = std::max(slotCount, 1);
    const auto begin = [&](std::int64_t b) { return b * block; };
    const auto end = [&](std::int64_t b) { return std::min(count, b * block + block); };
    const auto slotOf = [&](std::int64_t b) { return static_cast<int>(b % slotCount); };

    if (threads <= 1) {
        for (std::int64_t b = 0; b < blocks; ++b) {
            if (Cancelled(split)) return false;
            work(0, begin(b), end(b));
            if (!merge(0, begin(b), end(b))) return false;
            if (split.progress) split.progress(end(b), count);
        }
        return true;
    }

    PassState state;
    state.ready.assign(static_cast<std::size_t>(slotCount), -1);
    // Works on block b, on whichever thread takes it; false when the pass
    // stops (a cancel, or the work threw).
    const auto workOn = [&](std::int64_t b, std::unique_lock<std::mutex>& held) {
        held.unlock();
        std::exception_ptr error;
        const bool cancelled = Cancelled(split);
        if (!cancelled) {
            try {
                work(slotOf(b), begin(b), end(b));
            } catch (...) {
                error = std::current_exception();
            }
        }
        held.lock();
        if (cancelled || error) {
            if (!state.error) state.error = error;
            state.stop = true;
            state.mergerWake.notify_all();
            state.workerWake.notify_all();
            return false;
        }
        state.ready[static_cast<std::size_t>(slotOf(b))] = b;
        return true;
    };
    // A block may be taken once the block slotCount before it is merged, so
    // that its slot is free.
    const auto mayTake = [&] {
        return state.next < blocks && state.next < state.merged + slotCount;
    };
    const auto worker = [&] {
        std::unique_lock<std::mutex> held(state.lock);
        for (;;) {
            state.workerWake.wait(held,
                                  [&] { return state.stop || state.next >= blocks || mayTake(); });
            if (state.stop || state.next >= blocks) return;
            if (!workOn(state.next++, held)) return;
            state.mergerWake.notify_one();
        }
    };

    // The calling thread merges the blocks in order and, while the next is
    // not done, works on blocks itself: one thread fewer to start, and no
    // wake-up for every block (costly where the cores are virtual).
    std::vector<std::thread> pool;
    const auto finish = [&] {
        {
            std::lock_guard<std::mutex> held(state.lock);
            state.stop = true;
        }
        state.workerWake.notify_all();
        for (std::thread& t : pool) t.join();
        pool.clear();
    };
    bool completed = true;
    try {
        for (unsigned t = 1; t < threads; ++t) pool.emplace_back(worker);
        for (std::int64_t b = 0; b < blocks && completed; ++b) {
            {
                std::unique_lock<std::mutex> held(state.lock);
                while (!state.stop && state.ready[static_cast<std::size_t>(slotOf(b))] != b) {
                    if (mayTake()) {
                        workOn(state.next++, held);
                    } else {
                        state.mergerWake.wait(held);
                    }
                }
                if (state.stop) {
                    completed = false;
                    break;
                }
            }
            completed = !Cancelled(split) && merge(slotOf(b), begin(b), end(b));
            if (completed && split.progress) split.progress(end(b), count);
            {
                std::lock_guard<std::mutex> held(state.lock);
                state.merged = b + 1;
            }
            state.workerWake.notify_all();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    if (state.error) std::rethrow_exception(state.error);
    return completed;
}

bool RunBlocks(std::int64_t count, const PassSplit& split,
               const std::function<void(std::int64_t, std::int64_t)>& work) {
    return RunOrderedBlocks(
        count, split, static_cast<int>(PassThreads(split, count)) * 4,
        [&](int, std::int64_t begin, std::int64_t end) { work(begin, end); },
        [](int, std::int64_t, std::int64_t) { return true; });
}

}  // namespace korvex
