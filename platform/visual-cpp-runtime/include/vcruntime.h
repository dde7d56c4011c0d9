// Stands in for Visual C++'s <vcruntime.h>: the compiler runtime's base macros the standard library uses.
#pragma once

#include <corecrt.h>
#include <stddef.h>

#define _VCRUNTIME_H
#define _VCRTIMP __declspec(dllimport)
#define _CRT_BEGIN_C_HEADER extern "C" {
#define _CRT_END_C_HEADER }
#define _CRT_PACKING 8
#define _CRT_STRINGIZE_(x) #x
#define _CRT_STRINGIZE(x) _CRT_STRINGIZE_(x)
#define _CRT_WIDE_(s) L##s
#define _CRT_WIDE(s) _CRT_WIDE_(s)
#define _CRT_CONCATENATE_(a, b) a##b
#define _CRT_CONCATENATE(a, b) _CRT_CONCATENATE_(a, b)
#define _CRT_UNPARENTHESIZE_(...) __VA_ARGS__
#define _CRT_UNPARENTHESIZE(...) _CRT_UNPARENTHESIZE_ __VA_ARGS__
#define _VCRT_ALIGN(x) __declspec(align(x))
#define _VCRT_NOALIAS __declspec(noalias)
#define _VCRT_RESTRICT __declspec(restrict)
#define _VCRT_ALLOCATOR __declspec(allocator)
#define _CRT_INSECURE_DEPRECATE_MEMORY(replacement)
#ifndef _HAS_EXCEPTIONS
#define _HAS_EXCEPTIONS 1
#endif
#ifndef _HAS_NODISCARD
#define _HAS_NODISCARD 1
#endif
#define _NODISCARD [[nodiscard]]
#define __CLR_OR_THIS_CALL
#define __CLRCALL_OR_CDECL __cdecl
#define __CLRCALL_PURE_OR_CDECL __cdecl
#define _CRT_SECURE_CPP_NOTHROW throw()
#define _VCRUNTIME_DISABLE_WARNINGS
#define _VCRUNTIME_RESTORE_WARNINGS
#define _CRT_GUARDOVERFLOW
#define _CRT_HYBRIDPATCHABLE

typedef bool __vcrt_bool;

// The standard library's own DLL (msvcp140), imported as a program built with /MD does.
#define _CRTIMP2 __declspec(dllimport)
#define __CRTDECL __CLRCALL_PURE_OR_CDECL

#ifdef _MSVC_LANG
#define _STL_LANG _MSVC_LANG
#else
#define _STL_LANG __cplusplus
#endif
#define _HAS_CXX17 (_STL_LANG > 201402L)
#define _HAS_CXX20 (_STL_LANG > 202002L - 299L)
#define _HAS_CXX23 (_STL_LANG > 202002L)

// An invalid argument to a checked function: the process ends, as with the default handler.
#define _CRT_SECURE_INVALID_PARAMETER(expression) ::_invalid_parameter_noinfo_noreturn()
#define _CRT_SATELLITE_1 __declspec(dllimport)
#define _CRT_SATELLITE_2 __declspec(dllimport)
#define _MSVC_CONSTEXPR

extern "C" {
_VCRTIMP __declspec(noreturn) void __cdecl _invalid_parameter_noinfo_noreturn(void);
}
#define _MRTIMP2 __declspec(dllimport)
#define _CRT_SATELLITE_CODECVT_IDS __declspec(dllimport)
#define _CRT_SATELLITE_CODECVT_IDS_NOIMPORT
#define _PGLOBAL
