// Times calls with QueryPerformanceCounter: the host's own figures and the clients' measure alike.
#pragma once

#include <windows.h>

class Stopwatch {
public:
    Stopwatch() { QueryPerformanceCounter(&start); }
    LONGLONG Ticks() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return now.QuadPart - start.QuadPart;
    }
    static double Seconds(LONGLONG ticks) {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER start;
};
