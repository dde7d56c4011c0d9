// Stands in for the static part of Visual C++'s runtime (vcruntime.lib, msvcrt.lib) every module links:
// initializer tables, atexit, the TLS directory, thread_local destructors, thread-safe statics, type_info's
// virtual table.
#include <windows.h>

#include <corecrt_startup.h>
#include <limits.h>
#include <typeinfo>

#include "ModuleRuntime.h"

// The compiler puts each dynamic initializer in .CRT$XCU; the linker sorts the sections by name, so
// these two bracket them.
#pragma section(".CRT$XCA", read)
#pragma section(".CRT$XCZ", read)
#pragma section(".CRT$XLA", read)
#pragma section(".CRT$XLD", read)
#pragma section(".CRT$XLZ", read)
#pragma section(".tls", read, write)
#pragma section(".tls$ZZZ", read, write)

extern "C" {
__declspec(allocate(".CRT$XCA")) _PVFV __xc_a[] = {nullptr};
__declspec(allocate(".CRT$XCZ")) _PVFV __xc_z[] = {nullptr};

// The TLS directory: the loader gives each thread a copy of .tls and stores its slot in _tls_index.
ULONG _tls_index = 0;
__declspec(allocate(".tls")) char _tls_start = 0;
__declspec(allocate(".tls$ZZZ")) char _tls_end = 0;
__declspec(allocate(".CRT$XLA")) PIMAGE_TLS_CALLBACK __xl_a = nullptr;
__declspec(allocate(".CRT$XLZ")) PIMAGE_TLS_CALLBACK __xl_z = nullptr;
extern const IMAGE_TLS_DIRECTORY64 _tls_used = {reinterpret_cast<ULONGLONG>(&_tls_start),
                                                reinterpret_cast<ULONGLONG>(&_tls_end),
                                                reinterpret_cast<ULONGLONG>(&_tls_index),
                                                reinterpret_cast<ULONGLONG>(&__xl_a + 1), 0, 0};

// The readable names type_info::name() made for this module (an interlocked list's head).
struct alignas(16) __type_info_node {
    ULONGLONG header[2];
};
__type_info_node __type_info_root_node = {};
_VCRTIMP void __cdecl __std_type_info_destroy_list(__type_info_node* root);
}

namespace {
// A program's atexit functions run in exit(); a DLL's when it unloads, so they live in a table of its own.
bool moduleIsLibrary = false;
_onexit_table_t moduleExitTable = {};
} // namespace

extern "C" int __cdecl atexit(_PVFV function) {
    if (!moduleIsLibrary)
        return _crt_atexit(function);
    return _register_onexit_function(&moduleExitTable, reinterpret_cast<_onexit_t>(function));
}

void RunModuleInitializers(bool library) {
    moduleIsLibrary = library;
    if (library)
        _initialize_onexit_table(&moduleExitTable);
    _initterm(__xc_a, __xc_z);
}

void RunLibraryTerminators() {
    _execute_onexit_table(&moduleExitTable);
    __std_type_info_destroy_list(&__type_info_root_node);
}

// A thread_local object with a destructor registers it, once constructed, with __tlregdtor; the thread's
// end (or the module's, for the thread that unloads it) runs them, the last registered first. A thread
// holds few such objects: past the table's end a destructor is not run, as Visual C++'s runtime does when
// it cannot allocate its list.
namespace {
struct ThreadDestructors {
    _PVFV functions[32];
    int count;
};
__declspec(thread) ThreadDestructors threadDestructors = {};

void NTAPI RunThreadDestructors(PVOID, DWORD reason, PVOID) {
    if (reason != DLL_THREAD_DETACH && reason != DLL_PROCESS_DETACH)
        return;
    while (threadDestructors.count > 0)
        threadDestructors.functions[--threadDestructors.count]();
}
} // namespace

extern "C" {
__declspec(allocate(".CRT$XLD")) PIMAGE_TLS_CALLBACK __xl_d = RunThreadDestructors;

int __cdecl __tlregdtor(_PVFV function) {
    if (threadDestructors.count == static_cast<int>(sizeof threadDestructors.functions / sizeof(_PVFV)))
        return -1;
    threadDestructors.functions[threadDestructors.count++] = function;
    return 0;
}
}
// Nothing refers to the callback but the loader, through the TLS directory: the linker must keep it.
#pragma comment(linker, "/include:__xl_d")

// Thread-safe function-local statics. A guard is 0 before, -1 during, and afterwards the epoch at which
// its initialization finished; a thread that has seen that epoch skips the call altogether.
namespace {
SRWLOCK staticsLock = SRWLOCK_INIT;
CONDITION_VARIABLE staticsDone = CONDITION_VARIABLE_INIT;
int staticsEpoch = INT_MIN;
constexpr int BeingInitialized = -1;
} // namespace

extern "C" {
__declspec(thread) int _Init_thread_epoch = INT_MIN;

void __cdecl _Init_thread_header(int* guard) {
    AcquireSRWLockExclusive(&staticsLock);
    if (*guard == 0) {
        *guard = BeingInitialized;
    } else {
        while (*guard == BeingInitialized)
            SleepConditionVariableSRW(&staticsDone, &staticsLock, INFINITE, 0);
        if (*guard != 0)
            _Init_thread_epoch = staticsEpoch;
        else
            *guard = BeingInitialized; // the other thread's initializer threw: this one tries
    }
    ReleaseSRWLockExclusive(&staticsLock);
}

void __cdecl _Init_thread_footer(int* guard) {
    AcquireSRWLockExclusive(&staticsLock);
    *guard = ++staticsEpoch;
    _Init_thread_epoch = staticsEpoch;
    ReleaseSRWLockExclusive(&staticsLock);
    WakeAllConditionVariable(&staticsDone);
}

void __cdecl _Init_thread_abort(int* guard) {
    AcquireSRWLockExclusive(&staticsLock);
    *guard = 0;
    ReleaseSRWLockExclusive(&staticsLock);
    WakeAllConditionVariable(&staticsDone);
}
}

// No runtime DLL exports type_info's virtual table; its one slot (the deleting destructor) is never
// called, as nothing but the compiler creates a type_info.
type_info::~type_info() noexcept = default;
namespace {
void* __cdecl DeleteTypeInfo(type_info* self, unsigned int) {
    return self;
}
} // namespace
extern "C" const void* const TypeInfoVirtualTable[] __asm__("??_7type_info@@6B@") = {
    reinterpret_cast<const void*>(&DeleteTypeInfo)};
