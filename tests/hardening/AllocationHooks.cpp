// The allocations the stand-ins do not make themselves pass through the planned failures too: realloc
// (the text of old::string, which the public header takes straight from the C run-time) and operator
// new (standard containers, the elements the library creates, the kernel's pointer blocks). The test
// program defines them in front of the run-time's own (ELF symbol interposition, also in front of a
// sanitizer's), so the header stays exactly what it is on Windows.
#include <FaultInjection.h>

#include <dlfcn.h>

#include <cstdlib>
#include <new>

namespace {

using Reallocate = void* (*)(void*, std::size_t);

// The run-time's realloc, or the sanitizer's in front of it.
Reallocate NextRealloc() {
    static const auto next = reinterpret_cast<Reallocate>(dlsym(RTLD_NEXT, "realloc"));
    return next;
}

void* Allocate(std::size_t size) {
    if (FaultInjection::Fails(FaultInjection::Operation::OperatorNew))
        return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

void* AllocateOrThrow(std::size_t size) {
    void* block = Allocate(size);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

} // namespace

extern "C" void* realloc(void* block, std::size_t size) {
    if (FaultInjection::Fails(FaultInjection::Operation::Reallocation))
        return nullptr;
    return NextRealloc()(block, size);
}

void* operator new(std::size_t size) {
    return AllocateOrThrow(size);
}
void* operator new[](std::size_t size) {
    return AllocateOrThrow(size);
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
