// Wine's <wchar.h>, with the conversion state the Universal CRT declares: a record of 8 bytes (Wine
// makes it an int), which the standard library reads into and passes to msvcp140.
#pragma once

#define mbstate_t __wine_int_mbstate
#include_next <wchar.h>
#undef mbstate_t

typedef struct _Mbstatet {
    unsigned long _Wchar;
    unsigned short _Byte;
    unsigned short _State;
} _Mbstatet;
typedef _Mbstatet mbstate_t;

extern "C" {
// Declared for the standard library's using-declarations only; nothing built here calls them.
int __cdecl fwide(FILE* stream, int mode);
int __cdecl mbsinit(const mbstate_t* state);
int __cdecl vfwscanf(FILE* stream, const wchar_t* format, va_list arguments);
int __cdecl vswscanf(const wchar_t* buffer, const wchar_t* format, va_list arguments);
int __cdecl vwscanf(const wchar_t* format, va_list arguments);
long double __cdecl wcstold(const wchar_t* text, wchar_t** end);
}
