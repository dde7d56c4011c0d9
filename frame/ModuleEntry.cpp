#include <afxdllx.h>

#include <new>

// Windows toolchains export the entry point by themselves; elsewhere the library hides all but its exports.
#if defined(_WIN32)
#define MODULE_ENTRY_POINT
#else
#define MODULE_ENTRY_POINT __attribute__((visibility("default")))
#endif

namespace {

AFX_EXTENSION_MODULE extensionModule = {};

} // namespace

extern "C" MODULE_ENTRY_POINT BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        if (AfxInitExtensionModule(extensionModule, instance) == 0)
            return FALSE;
        // The framework owns the link object and destroys it with its chain. Without it the module still
        // loads: its exports need nothing from the framework.
        static_cast<void>(new (std::nothrow) CDynLinkLibrary(extensionModule, FALSE));
        return TRUE;
    case DLL_PROCESS_DETACH:
        AfxTermExtensionModule(extensionModule, FALSE);
        return TRUE;
    default:
        return TRUE;
    }
}
