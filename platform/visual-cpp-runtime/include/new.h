// Stands in for Visual C++'s <new.h>: the allocation declarations and the new handler's C interface.
#pragma once

#include <vcruntime_new.h>

extern "C" __declspec(dllimport) int __cdecl _callnewh(size_t size);
