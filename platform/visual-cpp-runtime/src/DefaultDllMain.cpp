// Stands in for Visual C++'s default DllMain, linked only into a DLL that defines none.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
