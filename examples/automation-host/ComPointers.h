// Smart pointers for the interfaces the host holds; mingw-w64's comdef.h declares none for IDispatch.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <comdef.h>

_COM_SMARTPTR_TYPEDEF(IDispatch, __uuidof(IDispatch));
