#pragma once

#include <mutex>

// The lock of one ring buffer. Operations never call one another while holding
// it, so it need not be re-entrant.
class CCriticalSection {
public:
    void Lock() { mutex_.lock(); }
    void Unlock() { mutex_.unlock(); }

private:
    std::mutex mutex_;
};
