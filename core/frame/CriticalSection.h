#pragma once

#include <atomic>
#include <thread>

// The lock of one ring buffer. Every hold is a copy of one element or a few
// counters, so a waiter spins briefly and then yields its time slice rather
// than sleeping in the kernel; an uncontended Lock/Unlock is one atomic
// exchange and one store. Operations never call one another while holding
// it, so it need not be re-entrant.
class CCriticalSection {
public:
    void Lock() {
        while (locked_.exchange(true, std::memory_order_acquire)) {
            int spins = 0;
            while (locked_.load(std::memory_order_relaxed)) {
                if (++spins == kSpinsBeforeYield) {
                    spins = 0;
                    std::this_thread::yield();
                }
            }
        }
    }
    void Unlock() { locked_.store(false, std::memory_order_release); }

private:
    static constexpr int kSpinsBeforeYield = 64;
    std::atomic<bool> locked_{false};
};
