// Stand-in for <winnt.h>: loader reasons.
#pragma once
#pragma GCC system_header

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
