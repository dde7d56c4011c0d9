// Stand-in for <errhandlingapi.h>.
#pragma once
#pragma GCC system_header

#include "windef.h"

extern "C" {
DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD errorCode);
}
