// The kernel's process-wide exception switch: while it is on, an array that cannot take a requested
// capacity raises std::bad_alloc instead of reporting false.
#pragma once

#include <gkern/Export.h>

class ExceptionMode {
public:
    // Read anew at each failure, from any thread.
    GKERN_API static bool IsEnabled();
    // Returns the previous setting.
    GKERN_API static bool Enable(bool enabled);
};

// Sets the switch for one scope and puts the previous setting back at its end.
class ScopedExceptionMode {
public:
    explicit ScopedExceptionMode(bool enabled) : previous(ExceptionMode::Enable(enabled)) {}
    ~ScopedExceptionMode() { ExceptionMode::Enable(previous); }
    ScopedExceptionMode(const ScopedExceptionMode&) = delete;
    ScopedExceptionMode& operator=(const ScopedExceptionMode&) = delete;

private:
    bool previous;
};
