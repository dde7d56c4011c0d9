#include <windows.h>
#include <FaultInjection.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// The calls the test module's entry point saw with a null reserved pointer, as (reason, instance); its
// attach succeeds while attachResult is TRUE.
using Calls = std::vector<std::pair<DWORD, HINSTANCE>>;
Calls entryPointCalls;
BOOL attachResult = TRUE;

const WCHAR* const modulePath = LOADER_TEST_MODULE;

// The last error left by a call that must fail, from a cleared one; 0 when it succeeds instead.
template <typename Calling>
DWORD ErrorOf(Calling call) {
    SetLastError(0);
    return call() ? 0 : GetLastError();
}

// As Windows documents it: a module whose entry point refuses the attach is called once more to detach,
// then unloaded. Loads are counted, and only the last free detaches.
TEST(Loader, AttachAndDetachRules) {
    attachResult = FALSE;
    EXPECT_EQ(ErrorOf([] { return LoadLibraryW(modulePath); }), DWORD{ERROR_DLL_INIT_FAILED});
    attachResult = TRUE;
    const HINSTANCE refused = entryPointCalls.empty() ? nullptr : entryPointCalls[0].second;
    EXPECT_EQ(entryPointCalls, (Calls{{DLL_PROCESS_ATTACH, refused}, {DLL_PROCESS_DETACH, refused}}));
    EXPECT_EQ(GetModuleHandleW(modulePath), nullptr);

    entryPointCalls.clear();
    const HMODULE module = LoadLibraryW(modulePath);
    // Found by its bare name beside the program, as on Windows; the module is not attached again.
    EXPECT_EQ(LoadLibraryW(u"libloader_test_module.so"), module);
    const FARPROC answer = GetProcAddress(module, "LoaderTestAnswer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(reinterpret_cast<int (*)()>(reinterpret_cast<void (*)()>(answer))(), 42);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(std::tuple(GetModuleHandleW(modulePath), entryPointCalls),
              std::tuple(module, Calls{{DLL_PROCESS_ATTACH, module}}));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(std::tuple(GetModuleHandleW(modulePath), entryPointCalls),
              std::tuple(nullptr, Calls{{DLL_PROCESS_ATTACH, module}, {DLL_PROCESS_DETACH, module}}));
    EXPECT_EQ(ErrorOf([=] { return FreeLibrary(module); }), DWORD{ERROR_INVALID_HANDLE});
}

// The program's own exports are found, but not its dependencies', nor exports by ordinal.
TEST(Loader, FailuresReturnNullAndSetTheLastError) {
    const HMODULE module = LoadLibraryW(modulePath);
    ASSERT_NE(module, nullptr);
    for (const WCHAR* name : {u"/nonexistent/none.so", u""}) {
        EXPECT_EQ(ErrorOf([=] { return LoadLibraryW(name); }), DWORD{ERROR_MOD_NOT_FOUND});
        EXPECT_EQ(ErrorOf([=] { return GetModuleHandleW(name); }), DWORD{ERROR_MOD_NOT_FOUND});
    }
    EXPECT_EQ(ErrorOf([] { return LoadLibraryW(nullptr); }), DWORD{ERROR_MOD_NOT_FOUND});
    EXPECT_NE(GetProcAddress(nullptr, "ObserveEntryPoint"), nullptr);
    int notAModule = 0;
    const auto ordinal = reinterpret_cast<LPCSTR>(std::uintptr_t{1});
    for (const auto& [handle, name, error] :
         {std::tuple(module, "NoSuchExport", ERROR_PROC_NOT_FOUND),
          {nullptr, "malloc", ERROR_PROC_NOT_FOUND},
          {module, ordinal, ERROR_PROC_NOT_FOUND},
          {reinterpret_cast<HMODULE>(&notAModule), "LoaderTestAnswer", ERROR_INVALID_HANDLE}})
        EXPECT_EQ(ErrorOf([&] { return GetProcAddress(handle, name); }), DWORD(error));
    EXPECT_TRUE(FreeLibrary(module));
}

// Each allocation of a first load fails in turn, for a path and for a bare name, until the load makes no
// more: every failing load returns null with ERROR_NOT_ENOUGH_MEMORY, runs no entry point and leaves the
// module unloaded, and the load that follows attaches it once.
TEST(Loader, RunningOutOfMemoryLeavesNothingLoaded) {
    entryPointCalls.clear();
    entryPointCalls.reserve(4); // the entry point's own report must not be what fails
    for (const WCHAR* name : {modulePath, u"libloader_test_module.so"}) {
        HMODULE module = nullptr;
        long allocations = 0; // those the load makes, once it makes no more
        for (;; ++allocations) {
            DWORD error = 0;
            bool failed = false;
            {
                FaultInjection::PlannedFailure failure(FaultInjection::Operation::Allocation, allocations);
                SetLastError(0);
                module = LoadLibraryW(name);
                error = GetLastError();
                failed = failure.Happened();
            }
            if (!failed)
                break;
            ASSERT_EQ(std::tuple(module, error, GetModuleHandleW(modulePath), entryPointCalls.size()),
                      std::tuple(nullptr, DWORD{ERROR_NOT_ENOUGH_MEMORY}, nullptr, std::size_t{0}))
                << "allocation " << allocations + 1;
        }
        EXPECT_GE(allocations, 2); // the path's text and the loader's record at least
        EXPECT_EQ(entryPointCalls, (Calls{{DLL_PROCESS_ATTACH, module}}));
        EXPECT_TRUE(FreeLibrary(module));
        EXPECT_EQ(GetModuleHandleW(modulePath), nullptr);
        entryPointCalls.clear();
    }
}

} // namespace

// Called by the test module's entry point, which finds it among the program's exports.
extern "C" BOOL ObserveEntryPoint(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reserved == nullptr)
        entryPointCalls.emplace_back(reason, instance);
    return reason == DLL_PROCESS_ATTACH ? attachResult : TRUE;
}
