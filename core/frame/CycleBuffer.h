#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "CriticalSection.h"

namespace korvex {

// Where a ring buffer takes its arrays from. Tests substitute one that fails.
template <typename T>
struct NewArrayAllocator {
    static T* Allocate(int n) { return new T[static_cast<std::size_t>(n)]; }
    static void Free(T* p) { delete[] p; }
};

}  // namespace korvex

// A locked ring buffer of fixed element type. Every operation holds the lock for
// its whole run, so a reader on another thread never sees a half-written
// element or an inconsistent head and count. When full, Push drops the oldest.
template <typename T, typename Allocator = korvex::NewArrayAllocator<T>>
class CCycleBuffer {
  public:
    class CAutoLockCritical {
      public:
        explicit CAutoLockCritical(CCriticalSection* lock) : pLock(lock) { pLock->Lock(); }
        virtual ~CAutoLockCritical() { pLock->Unlock(); }
        CAutoLockCritical(const CAutoLockCritical&) = delete;
        CAutoLockCritical& operator=(const CAutoLockCritical&) = delete;

      private:
        CCriticalSection* pLock;
    };

    static constexpr int kFirstAllocation = 1024;
    static constexpr int kGrowStep = 1024;

    CCycleBuffer() = default;
    CCycleBuffer(const CCycleBuffer&) = delete;
    CCycleBuffer& operator=(const CCycleBuffer&) = delete;
    virtual ~CCycleBuffer() { Allocator::Free(pBuffer); }

    // Appends one element; when the buffer is full the oldest is dropped.
    void Push(const T& item) {
        CAutoLockCritical guard(&lock);
        if (pBuffer == nullptr) {
            ReserveLocked(iCapacity > 0 ? iCapacity : kFirstAllocation);
        }
        int tail = iHead + iCount;
        if (iCount + 1 > iCapacity) {
            iHead += iCount + 1 - iCapacity;
            if (iHead >= iCapacity) iHead -= iCapacity;
        }
        if (tail >= iCapacity) tail -= iCapacity;
        iCount = std::min(iCount + 1, iCapacity);
        pBuffer[tail] = item;
        bChanged = 1;
    }

    // Appends n elements under one hold of the lock, with the result of n
    // calls of Push: item k lands where the k-th Push would put it, and when
    // the run overflows the buffer only its last `capacity` items are kept.
    void PushRun(const T* items, int n) {
        if (items == nullptr || n <= 0) return;
        CAutoLockCritical guard(&lock);
        if (pBuffer == nullptr) {
            ReserveLocked(iCapacity > 0 ? iCapacity : kFirstAllocation);
        }
        const long long capacity = iCapacity;
        const long long total = static_cast<long long>(iCount) + n;
        const long long kept = std::min<long long>(n, capacity);
        // Each Push advances head + count by one, so item k goes to
        // (head + count + k) mod capacity.
        long long pos = (iHead + iCount + (n - kept)) % capacity;
        const T* from = items + (n - kept);
        long long left = kept;
        while (left > 0) {
            const long long piece = std::min(left, capacity - pos);
            std::copy(from, from + piece, pBuffer + pos);
            from += piece;
            left -= piece;
            pos = 0;
        }
        if (total > capacity) {
            iHead = static_cast<std::int32_t>((iHead + (total - capacity)) % capacity);
            iCount = iCapacity;
        } else {
            iCount = static_cast<std::int32_t>(total);
        }
        bChanged = 1;
    }

    // Copies the i-th oldest element (0 is the oldest); false past the count.
    bool Get(int i, T* out) {
        CAutoLockCritical guard(&lock);
        if (i < 0 || i >= iCount) return false;
        int index = iHead + i;
        if (index >= iCapacity) index = iHead - iCapacity + i;
        *out = pBuffer[index];
        return true;
    }

    // Makes room for n elements, keeping the stored ones oldest first. The new
    // array replaces the old one only once it is allocated and filled, so a
    // failed allocation leaves the buffer as it was.
    void Reserve(int n) {
        CAutoLockCritical guard(&lock);
        ReserveLocked(n);
    }

    void GrowIfFull() {
        CAutoLockCritical guard(&lock);
        if (iCount == iCapacity) ReserveLocked(iCapacity + kGrowStep);
    }

    // Forgets the elements but keeps the array and the head.
    void Clear() {
        CAutoLockCritical guard(&lock);
        iCount = 0;
        bChanged = 1;
    }

    // Frees the array; the next Push allocates n elements (1024 when n is 0).
    // A negative n is taken as 0.
    void Reset(int n) {
        CAutoLockCritical guard(&lock);
        iCount = 0;
        iCapacity = std::max(n, 0);
        Allocator::Free(pBuffer);
        pBuffer = nullptr;
        bChanged = 1;
    }

    int GetCount() {
        CAutoLockCritical guard(&lock);
        return iCount;
    }

    int GetCapacity() {
        CAutoLockCritical guard(&lock);
        return iCapacity;
    }

    int IsChanged() {
        CAutoLockCritical guard(&lock);
        return bChanged;
    }

  private:
    // An array of no elements could not take the next Push, so n <= 0 leaves
    // the buffer alone and the first Push allocates as usual.
    void ReserveLocked(int n) {
        if (n <= 0 || (n <= iCapacity && pBuffer != nullptr)) return;
        T* fresh = Allocator::Allocate(n);
        if (pBuffer != nullptr) {
            const int firstRun = std::min(iHead + iCount, iCapacity) - iHead;
            std::copy(pBuffer + iHead, pBuffer + iHead + firstRun, fresh);
            if (iHead + iCount > iCapacity) {
                std::copy(pBuffer, pBuffer + (iHead + iCount - iCapacity), fresh + firstRun);
            }
            Allocator::Free(pBuffer);
        }
        pBuffer = fresh;
        iCapacity = n;
        iHead = 0;
        bChanged = 1;
    }

    std::int32_t bChanged = 0;
    CCriticalSection lock;
    T* pBuffer = nullptr;
    std::int32_t iCapacity = 0;
    std::int32_t iHead = 0;
    std::int32_t iCount = 0;
};
