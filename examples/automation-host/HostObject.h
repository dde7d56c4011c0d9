// The automation object a host application exposes as `Host`: a late-bound IDispatch (names looked up
// case-insensitively, no type library) whose methods are thin adapters onto the library. It knows
// nothing about script engines or servers: embedded scripts and out-of-process clients see the same
// object.
//
// Methods (every array it returns is a VT_ARRAY|VT_VARIANT with lower bound 0, since VBScript indexes
// nothing else; JScript arrays, which are objects, are turned into such an array before the library
// sees them, and a JScript array with holes is refused):
//   Points(list [, matrix])   point list (x, y, z, ...) through an optional matrix of 16 numbers -> numbers
//   Move list, dx, dy, dz     the points of the caller's own array (a variable) moved in place
//   Numbers(list) / Integers(list) / Flags(list)   numbers, 32-bit whole numbers, booleans, round trip
//   Texts(list)               texts, round trip
//   Values(list)              any values, round trip
//   Font(fontOrList)          per font read: Array(name, size in points, bold, italic, angle)
//   LastCallSeconds, LastLibrarySeconds   the last method call's time inside Invoke, and the part of it
//                                         spent in the library
// Errors: DISP_E_EXCEPTION with EXCEPINFO.scode the library's HRESULT, E_OUTOFMEMORY, or the host's own
// 0x80040201 for an argument it cannot use (the description says what was expected);
// DISP_E_BADPARAMCOUNT, DISP_E_UNKNOWNNAME, DISP_E_NONAMEDARGS as the names say.
#pragma once

#include <windows.h>
#include <oaidl.h>

// A new Host object with one reference, the caller's.
HRESULT CreateHostObject(IDispatch** object);
