// Wine's <process.h>, with the initializer-table walkers the Universal CRT declares.
#pragma once

#include_next <process.h>

extern "C" {
__declspec(dllimport) void __cdecl _initterm(void(__cdecl** first)(void), void(__cdecl** last)(void));
__declspec(dllimport) int __cdecl _initterm_e(int(__cdecl** first)(void), int(__cdecl** last)(void));
}
