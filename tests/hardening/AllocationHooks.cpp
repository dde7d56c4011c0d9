// The allocations the stand-ins do not make themselves pass through the planned failures too: realloc
// (the text of old::string) and operator new. Defined in the test program, in front of the run-time's
// own and a sanitizer's (ELF symbol interposition), so that the public header stays as on Windows.
#include <FaultInjection.h>

#include <dlfcn.h>

#include <cstdlib>
#include <new>

namespace {

void* Allocate(std::size_t size) {
    if (FaultInjection::Fails(FaultInjection::Operation::OperatorNew))
        return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

} // namespace

extern "C" void* realloc(void* block, std::size_t size) {
    if (FaultInjection::Fails(FaultInjection::Operation::Reallocation))
        return nullptr;
    // The run-time's realloc, or the sanitizer's in front of it.
    static const auto next = reinterpret_cast<void* (*)(void*, std::size_t)>(dlsym(RTLD_NEXT, "realloc"));
    return next(block, size);
}

void* operator new(std::size_t size) {
    if (void* block = Allocate(size))
        return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
