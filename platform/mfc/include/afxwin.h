// Stand-in for the application framework's extension-module registration (<afxwin.h>, <afxdllx.h>).
// A module registers its AFX_EXTENSION_MODULE record when the process attaches it and creates one
// CDynLinkLibrary, which joins the framework's chain of modules; the framework owns that object.
#pragma once

#include <windows.h>

#if defined(_WIN32)
#if defined(WINDOWSUTILS_FRAMEWORK_BUILDING)
#define WINDOWSUTILS_FRAMEWORK_API __declspec(dllexport)
#else
#define WINDOWSUTILS_FRAMEWORK_API __declspec(dllimport)
#endif
#else
#define WINDOWSUTILS_FRAMEWORK_API __attribute__((visibility("default")))
#endif

struct CRuntimeClass;
class COleObjectFactory;

struct AFX_EXTENSION_MODULE {
    BOOL bInitialized;
    HMODULE hModule;
    HMODULE hResource;
    CRuntimeClass* pFirstSharedClass;
    COleObjectFactory* pFirstSharedFactory;
};

WINDOWSUTILS_FRAMEWORK_API BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module);
WINDOWSUTILS_FRAMEWORK_API void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL all = FALSE);

class WINDOWSUTILS_FRAMEWORK_API CDynLinkLibrary {
public:
    explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL system = FALSE);
    virtual ~CDynLinkLibrary();
    CDynLinkLibrary(const CDynLinkLibrary&) = delete;
    CDynLinkLibrary& operator=(const CDynLinkLibrary&) = delete;

    HMODULE m_hModule;
    HMODULE m_hResource;
    BOOL m_bSystem;
    CDynLinkLibrary* m_pNextDLL;
};

// What the framework's tests can see and steer.
namespace FrameworkStandIn {
// Makes the next AfxInitExtensionModule report failure (once).
WINDOWSUTILS_FRAMEWORK_API void FailNextInitialisation();
// How often AfxInitExtensionModule and AfxTermExtensionModule were called, whatever their outcome.
WINDOWSUTILS_FRAMEWORK_API int InitialisationCount();
WINDOWSUTILS_FRAMEWORK_API int TerminationCount();
// The modules whose CDynLinkLibrary is in the chain, newest first.
WINDOWSUTILS_FRAMEWORK_API CDynLinkLibrary* FirstLinkedLibrary();
// Zeroes both counts and withdraws a pending FailNextInitialisation.
WINDOWSUTILS_FRAMEWORK_API void ResetCounts();
} // namespace FrameworkStandIn
