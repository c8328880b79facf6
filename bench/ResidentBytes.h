#pragma once

#include <unistd.h>

#include <cstdio>

namespace korvex::bench {

// The process's resident memory in bytes, from /proc/self/statm; 0 when it
// cannot be read.
inline long ResidentBytes() {
    long pages = 0;
    long resident = 0;
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (f == nullptr) return 0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
    return resident * sysconf(_SC_PAGESIZE);
}

}  // namespace korvex::bench
