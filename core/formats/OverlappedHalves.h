#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <vector>

#include "core/formats/WorkerPool.h"

namespace korvex::formats {

// Slots of work (containers to unpack or pack) in two halves: this thread
// fills one half while the pool works on the other, then takes the worked
// half back in order. Slots keep their buffers from one round to the next.
template <typename Slot>
class COverlappedHalves {
  public:
    // `work` runs on the pool's threads, on one slot at a time.
    COverlappedHalves(std::size_t perThread, std::function<void(Slot&)> work)
        : perHalf(pool.Threads() * perThread), work(std::move(work)) {
        slots.resize(2 * perHalf);
    }
    ~COverlappedHalves() { pool.Wait(); }
    COverlappedHalves(const COverlappedHalves&) = delete;
    COverlappedHalves& operator=(const COverlappedHalves&) = delete;

    std::span<Slot> All() { return slots; }
    // The slot to fill next, and whether the half being filled is full.
    Slot& Next() { return slots[half * perHalf + filled]; }
    bool Fill() { return ++filled == perHalf; }
    std::size_t Filled() const { return filled; }

    // Hands the slots filled so far to the pool and gives back the half it
    // worked on before (empty the first time), worked through.
    std::span<Slot> Rotate() {
        pool.Wait();
        const std::span<Slot> done(slots.data() + (1 - half) * perHalf, working);
        const std::size_t base = half * perHalf;
        piece = [this, base](std::size_t i) { work(slots[base + i]); };
        pool.Start(filled, piece);
        working = filled;
        half = 1 - half;
        filled = 0;
        return done;
    }

    // The half handed to the pool last, worked through.
    std::span<Slot> Finish() {
        pool.Wait();
        const std::span<Slot> done(slots.data() + (1 - half) * perHalf, working);
        working = 0;
        return done;
    }

  private:
    CWorkerPool pool;
    std::size_t perHalf;
    std::function<void(Slot&)> work;
    std::function<void(std::size_t)> piece;
    std::vector<Slot> slots;
    std::size_t half = 0;     // the half being filled
    std::size_t filled = 0;   // its slots filled so far
    std::size_t working = 0;  // slots of the other half handed to the pool
};

}  // namespace korvex::formats
