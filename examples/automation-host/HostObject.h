// The automation object a host application exposes as `Host`: a late-bound IDispatch (names looked up
// case-insensitively, no type library) whose methods are thin adapters onto the library. It knows
// nothing about script engines or servers: embedded scripts and out-of-process clients see the same
// object.
//
// Its members are one table (HostObject.cpp): name, DISPID, method or property, argument counts,
// function. What scripts see of them, arguments, results and errors, is docs/automation.md.
#pragma once

#include <windows.h>
#include <oaidl.h>

// A new Host object with one reference, the caller's.
HRESULT CreateHostObject(IDispatch** object);
