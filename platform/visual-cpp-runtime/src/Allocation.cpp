// Stands in for Visual C++'s replaceable allocation functions (operator new and delete), on the C heap.
#include <malloc.h>
#include <new.h>
#include <new>

namespace {
void* Allocate(size_t size, size_t alignment) {
    if (size == 0)
        size = 1;
    for (;;) {
        void* block = alignment ? _aligned_malloc(size, alignment) : malloc(size);
        if (block != nullptr || _callnewh(size) == 0)
            return block;
    }
}
void* AllocateOrThrow(size_t size, size_t alignment) {
    if (void* block = Allocate(size, alignment))
        return block;
    throw std::bad_alloc();
}
size_t Alignment(std::align_val_t alignment) {
    return static_cast<size_t>(alignment);
}
} // namespace

void* operator new(size_t size) { return AllocateOrThrow(size, 0); }
void* operator new[](size_t size) { return AllocateOrThrow(size, 0); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0); }
void operator delete(void* block) noexcept { free(block); }
void operator delete[](void* block) noexcept { free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { free(block); }
void operator delete(void* block, size_t) noexcept { free(block); }
void operator delete[](void* block, size_t) noexcept { free(block); }

void* operator new(size_t size, std::align_val_t alignment) { return AllocateOrThrow(size, Alignment(alignment)); }
void* operator new[](size_t size, std::align_val_t alignment) { return AllocateOrThrow(size, Alignment(alignment)); }
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return Allocate(size, Alignment(alignment));
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return Allocate(size, Alignment(alignment));
}
void operator delete(void* block, std::align_val_t) noexcept { _aligned_free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { _aligned_free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { _aligned_free(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { _aligned_free(block); }
void operator delete(void* block, size_t, std::align_val_t) noexcept { _aligned_free(block); }
void operator delete[](void* block, size_t, std::align_val_t) noexcept { _aligned_free(block); }

const std::nothrow_t std::nothrow{};
