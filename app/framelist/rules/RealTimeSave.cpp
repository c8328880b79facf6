#include "app/framelist/rules/RealTimeSave.h"

bool CRealTimeSave::Start(const std::string& path, const std::vector<std::string>& captions) {
    std::lock_guard<std::mutex> guard(rtLock);
    if (rtActive.load(std::memory_order_relaxed) != 0) rtFile.Close();
    rtActive.store(0, std::memory_order_release);
    if (!rtFile.Open(path, captions)) return false;
    rtPath = path;
    lastSync = Clock::now();
    rtActive.store(1, std::memory_order_release);
    return true;
}

void CRealTimeSave::Stop() {
    std::lock_guard<std::mutex> guard(rtLock);
    rtFile.Close();
    rtActive.store(0, std::memory_order_release);
}

void CRealTimeSave::Write(const _VCI_CAN_OBJ* frames, int count,
                          const korvex::ExportRowContext& context) {
    if (rtActive.load(std::memory_order_acquire) == 0) return;
    int error = 0;
    std::string path;
    {
        std::lock_guard<std::mutex> guard(rtLock);
        if (rtActive.load(std::memory_order_relaxed) == 0) return;
        rtFile.WriteRun(frames, count, context);
        rtFile.Flush();
        SyncIfDueLocked(Clock::now());
        error = StopOnErrorLocked();
        path = rtPath;
    }
    if (error != 0 && onFailure) onFailure(path, error);
}

void CRealTimeSave::SyncIfDue() {
    if (rtActive.load(std::memory_order_acquire) == 0) return;
    int error = 0;
    std::string path;
    {
        std::lock_guard<std::mutex> guard(rtLock);
        if (rtActive.load(std::memory_order_relaxed) == 0) return;
        SyncIfDueLocked(Clock::now());
        error = StopOnErrorLocked();
        path = rtPath;
    }
    if (error != 0 && onFailure) onFailure(path, error);
}

int CRealTimeSave::StopOnErrorLocked() {
    const int error = rtFile.WriteError();
    if (error == 0) return 0;
    rtFile.Close();
    rtActive.store(0, std::memory_order_release);
    return error;
}

void CRealTimeSave::SyncIfDueLocked(Clock::time_point now) {
    if (!rtFile.NeedsSync() || now - lastSync < kSyncInterval) return;
    rtFile.Sync();
    lastSync = now;
}

long long CRealTimeSave::Count() {
    std::lock_guard<std::mutex> guard(rtLock);
    return rtFile.rtCount;
}

std::string CRealTimeSave::Path() {
    std::lock_guard<std::mutex> guard(rtLock);
    return rtPath;
}
