// A module for the loader's tests: its entry point hands every call to the test program.
#include <windows.h>

extern "C" BOOL ObserveEntryPoint(HINSTANCE instance, DWORD reason, LPVOID reserved);

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return ObserveEntryPoint(instance, reason, reserved);
}

extern "C" int LoaderTestAnswer() {
    return 42;
}
