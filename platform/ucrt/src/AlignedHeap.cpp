#include <malloc.h>

#include <FaultInjection.h>

#include <cstdlib>

void* _aligned_malloc(size_t size, size_t alignment) {
    if (alignment == 0 || (alignment & (alignment - 1)) != 0)
        return nullptr;
    if (FaultInjection::Fails(FaultInjection::Operation::AlignedAllocation))
        return nullptr;
    if (alignment < sizeof(void*))
        alignment = sizeof(void*);
    // aligned_alloc wants a size that is a multiple of the alignment; a zero size still gives a block.
    const size_t rounded = size == 0 ? alignment : (size + alignment - 1) / alignment * alignment;
    if (rounded < size)
        return nullptr;
    return std::aligned_alloc(alignment, rounded);
}

void _aligned_free(void* block) {
    std::free(block);
}
