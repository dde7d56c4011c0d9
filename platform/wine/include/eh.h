// Wine's <eh.h>, with the terminate functions of C linkage as the Universal CRT declares them (ucrtbase
// exports them undecorated; Wine's header gives them C++ linkage in C++), and the handler query.
#pragma once

#define terminate __wine_terminate
#define unexpected __wine_unexpected
#define set_terminate __wine_set_terminate
#define set_unexpected __wine_set_unexpected
#include_next <eh.h>
#undef terminate
#undef unexpected
#undef set_terminate
#undef set_unexpected

extern "C" {
__declspec(dllimport) __declspec(noreturn) void __cdecl terminate(void);
__declspec(dllimport) __declspec(noreturn) void __cdecl unexpected(void);
__declspec(dllimport) terminate_handler __cdecl set_terminate(terminate_handler handler);
__declspec(dllimport) unexpected_handler __cdecl set_unexpected(unexpected_handler handler);
__declspec(dllimport) terminate_handler __cdecl _get_terminate(void);
}
