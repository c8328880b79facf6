#pragma once

#include <cerrno>

namespace korvex {

// Why a file was not written whole: whether it could be created at all, and
// the system's error number of the call that failed.
struct FileWriteProblem {
    bool created = false;
    int error = 0;

    // Records the failure of the current call; a failed write that left no
    // error number (a short write) counts as a full disk.
    void Set(bool fileCreated) {
        created = fileCreated;
        error = errno != 0 ? errno : ENOSPC;
    }
};

}  // namespace korvex
