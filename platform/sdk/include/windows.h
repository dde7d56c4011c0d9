// Stand-in for <windows.h>: the base types and the kernel32 and gdi32 stand-ins' declarations.
#pragma once
#pragma GCC system_header

#include "windef.h"
#include "winnt.h"
#include "winerror.h"
#include "guiddef.h"
#include "unknwn.h"
#include "libloaderapi.h"
#include "errhandlingapi.h"
#include "wingdi.h"
