#include <errhandlingapi.h>
#include <libloaderapi.h>
#include <winerror.h>
#include <winnt.h>

#include <dlfcn.h>
#include <link.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <string>

namespace {

using EntryPoint = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

// One module the loader knows. The handle is the dynamic linker's; every LoadLibraryW holds one of
// its references. A module the process had loaded by other means is pinned: the loader keeps one
// reference of its own so that its handle stays valid, and never runs its entry point.
struct KnownModule {
    int loads = 0;
    bool attached = false;
    bool pinned = false;
};

struct Loader {
    // Entry points run under this lock and may call back into the loader, as under Windows' loader lock.
    std::recursive_mutex lock;
    std::map<void*, KnownModule> modules;
};

Loader& TheLoader() {
    static Loader loader;
    return loader;
}

void AppendUtf8(std::string& text, char32_t code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (code >> 18));
        text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The file system's UTF-8 name for a Windows path: backslashes separate directories there too, and a
// lone surrogate, which UTF-8 cannot carry, becomes U+FFFD.
std::string FileSystemPath(LPCWSTR name) {
    std::string path;
    for (const WCHAR* unit = name; *unit != 0; ++unit) {
        char32_t code = *unit;
        if (IsHighSurrogate(code) && IsLowSurrogate(unit[1])) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unit[1] - 0xDC00);
            ++unit;
        } else if (IsHighSurrogate(code) || IsLowSurrogate(code)) {
            code = 0xFFFD;
        }
        AppendUtf8(path, code == u'\\' ? U'/' : code);
    }
    return path;
}

// Like Windows, a bare module name is looked for first in the program's own directory, then where the
// dynamic linker looks.
void* OpenLibrary(LPCWSTR name, int flags) {
    const std::string path = FileSystemPath(name);
    if (path.find('/') == std::string::npos) {
        std::error_code error;
        const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
        if (!error) {
            if (void* library = dlopen((program.parent_path() / path).c_str(), flags))
                return library;
        }
    }
    return dlopen(path.c_str(), flags);
}

// The module's own export of that name: dlsym also searches the module's dependencies, which
// GetProcAddress never does.
void* OwnExport(void* library, const char* name) {
    void* symbol = dlsym(library, name);
    if (symbol == nullptr)
        return nullptr;
    link_map* module = nullptr;
    link_map* owner = nullptr;
    Dl_info info;
    if (dlinfo(library, RTLD_DI_LINKMAP, &module) != 0 ||
        dladdr1(symbol, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) == 0)
        return nullptr;
    return owner == module ? symbol : nullptr;
}

// Runs the module's DllMain, if it has one; a module without one accepts every call.
BOOL CallEntryPoint(void* library, DWORD reason) {
    void* entry = OwnExport(library, "DllMain");
    if (entry == nullptr)
        return TRUE;
    return reinterpret_cast<EntryPoint>(entry)(static_cast<HINSTANCE>(library), reason, nullptr);
}

// A C function reports the memory it could not have: the error is ERROR_NOT_ENOUGH_MEMORY and nothing
// is left behind, so no std::bad_alloc may leave the loader.
void* OpenLibraryOrReport(LPCWSTR name, int flags) {
    void* library = nullptr;
    try {
        library = OpenLibrary(name, flags);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (library == nullptr)
        SetLastError(ERROR_MOD_NOT_FOUND);
    return library;
}

// Enters a module the loader did not know; false, with the error set, when there is no memory for it.
bool Remember(Loader& loader, void* library, bool pinned = false) {
    try {
        loader.modules.try_emplace(library).first->second.pinned = pinned;
        return true;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
}

// The first load of a module attaches it. When its entry point refuses, Windows calls it once more
// to detach and unloads the module.
bool Attach(Loader& loader, void* library) {
    KnownModule& module = loader.modules.find(library)->second;
    module.loads = 1;
    module.attached = true;
    if (CallEntryPoint(library, DLL_PROCESS_ATTACH) != FALSE)
        return true;
    CallEntryPoint(library, DLL_PROCESS_DETACH);
    loader.modules.erase(library);
    dlclose(library);
    return false;
}

// An empty name would make the dynamic linker hand out the program itself.
bool IsEmpty(LPCWSTR name) {
    return name != nullptr && *name == 0;
}

bool IsOrdinal(LPCSTR procedureName) {
    return reinterpret_cast<std::uintptr_t>(procedureName) <= 0xFFFF;
}

} // namespace

HMODULE WINAPI LoadLibraryW(LPCWSTR fileName) {
    if (fileName == nullptr || IsEmpty(fileName)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    Loader& loader = TheLoader();
    std::lock_guard guard(loader.lock);
    void* library = OpenLibraryOrReport(fileName, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        return nullptr;
    auto known = loader.modules.find(library);
    if (known != loader.modules.end()) {
        ++known->second.loads;
        return static_cast<HMODULE>(library);
    }
    if (!Remember(loader, library)) {
        dlclose(library);
        return nullptr;
    }
    if (!Attach(loader, library)) {
        SetLastError(ERROR_DLL_INIT_FAILED);
        return nullptr;
    }
    return static_cast<HMODULE>(library);
}

BOOL WINAPI FreeLibrary(HMODULE module) {
    Loader& loader = TheLoader();
    std::lock_guard guard(loader.lock);
    auto known = loader.modules.find(module);
    if (known == loader.modules.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Freeing a module nobody loaded through the loader releases nothing, as for Windows' pinned modules.
    if (known->second.loads == 0)
        return TRUE;
    if (--known->second.loads == 0) {
        if (known->second.attached)
            CallEntryPoint(module, DLL_PROCESS_DETACH);
        // The entry point may have used the loader: look the module up again.
        known = loader.modules.find(module);
        if (known != loader.modules.end() && known->second.loads == 0 && !known->second.pinned)
            loader.modules.erase(known);
    }
    dlclose(module);
    return TRUE;
}

HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName) {
    if (IsEmpty(moduleName)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    Loader& loader = TheLoader();
    std::lock_guard guard(loader.lock);
    // The program itself is always there.
    void* library = moduleName == nullptr ? dlopen(nullptr, RTLD_NOW)
                                          : OpenLibraryOrReport(moduleName, RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr)
        return nullptr;
    // The handle does not hold the module: a module the loader knows gives back the extra reference.
    if (loader.modules.contains(library)) {
        dlclose(library);
    } else if (!Remember(loader, library, true)) {
        dlclose(library);
        return nullptr;
    }
    return static_cast<HMODULE>(library);
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procedureName) {
    if (module == nullptr)
        module = GetModuleHandleW(nullptr);
    Loader& loader = TheLoader();
    std::lock_guard guard(loader.lock);
    if (!loader.modules.contains(module)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // Exports by ordinal have no counterpart in the dynamic linker.
    void* symbol = IsOrdinal(procedureName) ? nullptr : OwnExport(module, procedureName);
    if (symbol == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}
