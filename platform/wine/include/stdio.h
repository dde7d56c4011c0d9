// Wine's <stdio.h>, with the C99 scanf variants and the stream-buffer access the Universal CRT declares.
#pragma once

#include_next <stdio.h>
#include <wchar.h>

extern "C" {
// Declared for the standard library's using-declarations only; nothing built here calls them.
int __cdecl vfscanf(FILE* stream, const char* format, va_list arguments);
int __cdecl vscanf(const char* format, va_list arguments);
int __cdecl vsscanf(const char* buffer, const char* format, va_list arguments);
__declspec(dllimport) errno_t __cdecl _get_stream_buffer_pointers(FILE* stream, char*** base, char*** next,
                                                                  int** count);
}
