// Wine's <time.h>, with the timespec records, timespec_get and localtime_s that the Universal CRT declares.
#pragma once

#include_next <time.h>

struct _timespec64 {
    __time64_t tv_sec;
    long tv_nsec;
};
struct timespec {
    time_t tv_sec;
    long tv_nsec;
};

extern "C" __declspec(dllimport) int __cdecl _timespec64_get(_timespec64* time, int base);
inline int timespec_get(timespec* time, int base) {
    return _timespec64_get(reinterpret_cast<_timespec64*>(time), base);
}
inline errno_t localtime_s(tm* result, const time_t* time) {
    return _localtime64_s(result, time);
}
