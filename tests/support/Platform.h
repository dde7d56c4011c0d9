// Where a test runs. Wine's OLE Automation answers a few conversions differently from Windows (and from
// the stand-ins, which follow Windows); the tests that meet one ask here and check Wine's answer there.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#endif

namespace TestSupport {

// True under Wine, whose ntdll exports wine_get_version; false on Windows and on the stand-ins.
inline bool RunningUnderWine() {
#if defined(_WIN32)
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

} // namespace TestSupport
