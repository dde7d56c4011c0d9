#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// What the test module's entry point was called with; its attach succeeds while attachResult is TRUE.
std::vector<std::tuple<HINSTANCE, DWORD, LPVOID>> entryPointCalls;
BOOL attachResult = TRUE;

const WCHAR* const modulePath = LOADER_TEST_MODULE;

std::tuple<HINSTANCE, DWORD, LPVOID> Call(HMODULE module, DWORD reason) {
    return {module, reason, nullptr};
}

// Makes a call that should fail, from a cleared last error: whether it gave null, and the error it left.
template <typename Calling>
std::pair<bool, DWORD> Failure(Calling call) {
    SetLastError(0);
    const bool failed = call() == nullptr;
    return {failed, GetLastError()};
}

// As Windows documents it: a module whose entry point refuses the attach is called once more to detach,
// then unloaded. Loads are counted, and only the last free detaches.
TEST(Loader, AttachAndDetachRules) {
    entryPointCalls.clear();
    attachResult = FALSE;
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(modulePath), nullptr);
    attachResult = TRUE;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
    ASSERT_EQ(entryPointCalls.size(), 2u);
    EXPECT_EQ(std::get<DWORD>(entryPointCalls[0]), static_cast<DWORD>(DLL_PROCESS_ATTACH));
    EXPECT_EQ(entryPointCalls[1], Call(std::get<HINSTANCE>(entryPointCalls[0]), DLL_PROCESS_DETACH));
    EXPECT_EQ(GetModuleHandleW(modulePath), nullptr);

    entryPointCalls.clear();
    HMODULE module = LoadLibraryW(modulePath);
    ASSERT_NE(module, nullptr);
    // Found by its bare name beside the program, as on Windows; the module is not attached again.
    EXPECT_EQ(LoadLibraryW(u"libloader_test_module.so"), module);
    EXPECT_EQ(GetModuleHandleW(modulePath), module);
    FARPROC answer = GetProcAddress(module, "LoaderTestAnswer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(reinterpret_cast<int (*)()>(reinterpret_cast<void (*)()>(answer))(), 42);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandleW(modulePath), module);
    EXPECT_EQ(entryPointCalls, std::vector{Call(module, DLL_PROCESS_ATTACH)});
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(entryPointCalls,
              (std::vector{Call(module, DLL_PROCESS_ATTACH), Call(module, DLL_PROCESS_DETACH)}));
    EXPECT_EQ(GetModuleHandleW(modulePath), nullptr);
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Loader, FailuresReturnNullAndSetTheLastError) {
    HMODULE module = LoadLibraryW(modulePath);
    ASSERT_NE(module, nullptr);
    int notAModule = 0;
    const auto unknown = reinterpret_cast<HMODULE>(&notAModule);
    const auto ordinal = reinterpret_cast<LPCSTR>(std::uintptr_t{1});
    // The program's own export is found; its dependencies' exports are not its own.
    EXPECT_NE(GetProcAddress(nullptr, "ObserveEntryPoint"), nullptr);
    const std::tuple<const char*, std::pair<bool, DWORD>, DWORD> rows[] = {
        {"LoadLibraryW(missing file)", Failure([] { return LoadLibraryW(u"/nonexistent/none.so"); }),
         ERROR_MOD_NOT_FOUND},
        {"LoadLibraryW(\"\")", Failure([] { return LoadLibraryW(u""); }), ERROR_MOD_NOT_FOUND},
        {"LoadLibraryW(null)", Failure([] { return LoadLibraryW(nullptr); }), ERROR_MOD_NOT_FOUND},
        {"GetModuleHandleW(not loaded)", Failure([] { return GetModuleHandleW(u"/nonexistent/none.so"); }),
         ERROR_MOD_NOT_FOUND},
        {"GetModuleHandleW(\"\")", Failure([] { return GetModuleHandleW(u""); }), ERROR_MOD_NOT_FOUND},
        {"GetProcAddress(missing export)", Failure([=] { return GetProcAddress(module, "NoSuchExport"); }),
         ERROR_PROC_NOT_FOUND},
        {"GetProcAddress(dependency's export)", Failure([] { return GetProcAddress(nullptr, "malloc"); }),
         ERROR_PROC_NOT_FOUND},
        {"GetProcAddress(ordinal)", Failure([=] { return GetProcAddress(module, ordinal); }),
         ERROR_PROC_NOT_FOUND},
        {"GetProcAddress(unknown handle)",
         Failure([=] { return GetProcAddress(unknown, "LoaderTestAnswer"); }), ERROR_INVALID_HANDLE},
    };
    for (const auto& [call, outcome, error] : rows)
        EXPECT_EQ(outcome, std::pair(true, error)) << call;
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(LastError, BelongsToEachThread) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    DWORD seenByOtherThread = 1;
    std::thread other([&] {
        seenByOtherThread = GetLastError();
        SetLastError(ERROR_MOD_NOT_FOUND);
    });
    other.join();
    EXPECT_EQ(seenByOtherThread, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
}

} // namespace

// Called by the test module's entry point, which finds it among the program's exports.
extern "C" BOOL ObserveEntryPoint(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    entryPointCalls.emplace_back(instance, reason, reserved);
    return reason == DLL_PROCESS_ATTACH ? attachResult : TRUE;
}
