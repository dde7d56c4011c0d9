// Wine's <winnt.h>, whose inline InterlockedCompareExchange128 would define the compiler's built-in of
// that name: it is renamed, and the name left to the built-in as in the Windows SDK.
#pragma once

#define _InterlockedCompareExchange128 __wine_InterlockedCompareExchange128
#include_next <winnt.h>
#undef _InterlockedCompareExchange128
