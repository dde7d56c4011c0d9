// Stand-in for <libloaderapi.h>: the loader over the system's dynamic linker.
#pragma once
#pragma GCC system_header

#include "windef.h"

extern "C" {
HMODULE WINAPI LoadLibraryW(LPCWSTR fileName);
BOOL WINAPI FreeLibrary(HMODULE module);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procedureName);
HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName);
}
