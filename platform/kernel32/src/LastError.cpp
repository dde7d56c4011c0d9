#include <errhandlingapi.h>

namespace {

// Each thread sees only the failures of its own calls.
thread_local DWORD lastError = 0;

} // namespace

DWORD WINAPI GetLastError() {
    return lastError;
}

void WINAPI SetLastError(DWORD errorCode) {
    lastError = errorCode;
}
