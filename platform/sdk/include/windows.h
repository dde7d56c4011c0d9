// Stand-in for <windows.h>: the base types and the kernel32 and gdi32 stand-ins' declarations.
#pragma once
#pragma GCC system_header

#include "windef.h"
#include "winnt.h"
#include "winerror.h"
#include "guiddef.h"
#include "unknwn.h"
#include "libloaderapi.h"
#include "errhandlingapi.h"
#include "wingdi.h"

// The SDK defines min and max as macros unless NOMINMAX, so a header that calls std::min after
// <windows.h> does not compile for a Visual C++ host; these do the same to find such calls here. The
// Microsoft STL is written to survive the macros, GCC's standard library is not: all of it is read first
// (a standard header included later then adds nothing).
#ifndef NOMINMAX
#if defined(__GLIBCXX__)
#include <bits/stdc++.h>
#endif
#ifndef max
#define max(a, b) (((a) > (b)) ? (a) : (b))
#endif
#ifndef min
#define min(a, b) (((a) < (b)) ? (a) : (b))
#endif
#endif
