// Stand-in for the run-time's <malloc.h>: the system header plus the aligned heap.
#pragma once
#pragma GCC system_header

#include_next <malloc.h>
#include <cstddef>

extern "C" {
void* _aligned_malloc(size_t size, size_t alignment);
void _aligned_free(void* block);
}
