// Marks what gkern exports, so that a host can link either this library or the real kernel.
#pragma once

#if defined(_WIN32)
#if defined(GKERN_BUILDING)
#define GKERN_API __declspec(dllexport)
#else
#define GKERN_API __declspec(dllimport)
#endif
#else
#define GKERN_API __attribute__((visibility("default")))
#endif
