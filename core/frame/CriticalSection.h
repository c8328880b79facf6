#pragma once

#include <mutex>

// A lock that the thread holding it may take again, so that an operation that
// holds it can call another operation of the same object.
class CCriticalSection {
  public:
    void Lock() { mutex_.lock(); }
    void Unlock() { mutex_.unlock(); }

  private:
    std::recursive_mutex mutex_;
};
