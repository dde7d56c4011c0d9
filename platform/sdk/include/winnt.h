// Stand-in for <winnt.h>: loader reasons.
#pragma once
#pragma GCC system_header

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

// The locale an automation call names when it has no other: the user's default.
#define LOCALE_USER_DEFAULT 0x0400
