// Wine's <stdlib.h>, completed to what the Universal CRT declares: atexit belongs to each module (its
// static runtime, not ucrtbase, defines it), and the quick-exit functions.
#pragma once

#define atexit __wine_ucrtbase_atexit
#include_next <stdlib.h>
#undef atexit
#include <errno.h>
#include <process.h>

extern "C" {
int __cdecl atexit(void(__cdecl* function)(void));
int __cdecl at_quick_exit(void(__cdecl* function)(void));
__declspec(dllimport) unsigned int __cdecl _set_abort_behavior(unsigned int flags, unsigned int mask);
}
