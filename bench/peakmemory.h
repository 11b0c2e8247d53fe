#pragma once
// The process's memory as the kernel counts it, for benchmarks that report how far a run made it grow.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace benchmemory {

// Kilobytes of a line of /proc/self/status, such as "VmHWM:" (the peak) or "VmRSS:" (now).
inline long StatusKb(const char* Key) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char Line[256];
    long Value = 0;
    const size_t KeyLength = std::strlen(Key);
    while (std::fgets(Line, sizeof Line, f)) {
        if (std::strncmp(Line, Key, KeyLength) == 0) {
            Value = std::strtol(Line + KeyLength, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return Value;
}

// Seconds of processor time the process has used.
inline double CpuSeconds() {
    timespec T{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &T);
    return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_nsec) / 1e9;
}

// Lets the high-water mark start again from the current size.
inline void ResetPeak() {
    FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (!f) return;
    std::fputs("5", f);
    std::fclose(f);
}

} // namespace benchmemory
