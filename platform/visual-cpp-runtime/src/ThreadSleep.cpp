// Stands in for the static part of Visual C++'s standard library that std::this_thread::sleep_for calls.
#include <windows.h>

extern "C" void __stdcall _Thrd_sleep_for(unsigned long milliseconds) noexcept {
    Sleep(milliseconds);
}
