// Wine's <eh.h>, with the handler query the Universal CRT declares.
#pragma once

#include_next <eh.h>

extern "C" __declspec(dllimport) terminate_handler __cdecl _get_terminate(void);
