// Wine's <crtdbg.h>, with the report destinations the Universal CRT defines for a release build.
#pragma once

#include_next <crtdbg.h>

#define _CRTDBG_MODE_FILE 0x1
#define _CRTDBG_MODE_DEBUG 0x2
#define _CRTDBG_MODE_WNDW 0x4
#define _CRTDBG_FILE_STDERR reinterpret_cast<void*>(-5)
#define _CrtSetReportFile(type, file) static_cast<void*>(nullptr)
