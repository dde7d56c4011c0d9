#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

namespace {

struct EntryPointCall {
    HINSTANCE instance;
    DWORD reason;
    LPVOID reserved;
};

std::vector<EntryPointCall> entryPointCalls;
BOOL attachResult = TRUE;

const WCHAR* const modulePath = LOADER_TEST_MODULE;

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        entryPointCalls.clear();
        attachResult = TRUE;
    }
};

TEST_F(LoaderTest, RefusedAttachIsDetachedUnloadedAndReported) {
    attachResult = FALSE;
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(modulePath), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
    // As Windows documents it: the refusing module is called once more to detach, then unloaded.
    ASSERT_EQ(entryPointCalls.size(), 2u);
    EXPECT_EQ(entryPointCalls[0].reason, static_cast<DWORD>(DLL_PROCESS_ATTACH));
    EXPECT_EQ(entryPointCalls[1].reason, static_cast<DWORD>(DLL_PROCESS_DETACH));
    EXPECT_EQ(entryPointCalls[1].reserved, nullptr);
    EXPECT_EQ(GetModuleHandleW(modulePath), nullptr);
}

TEST_F(LoaderTest, LoadsAreCountedAndOnlyTheLastFreeDetaches) {
    HMODULE module = LoadLibraryW(modulePath);
    ASSERT_NE(module, nullptr);
    ASSERT_EQ(entryPointCalls.size(), 1u);
    EXPECT_EQ(entryPointCalls[0].instance, module);
    EXPECT_EQ(entryPointCalls[0].reason, static_cast<DWORD>(DLL_PROCESS_ATTACH));
    EXPECT_EQ(entryPointCalls[0].reserved, nullptr);

    // Found by its bare name beside the program, as on Windows; the module is not attached again.
    EXPECT_EQ(LoadLibraryW(u"libloader_test_module.so"), module);
    EXPECT_EQ(entryPointCalls.size(), 1u);
    EXPECT_EQ(GetModuleHandleW(modulePath), module);

    FARPROC answer = GetProcAddress(module, "LoaderTestAnswer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(reinterpret_cast<int (*)()>(reinterpret_cast<void (*)()>(answer))(), 42);

    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(entryPointCalls.size(), 1u);
    EXPECT_EQ(GetModuleHandleW(modulePath), module);

    EXPECT_TRUE(FreeLibrary(module));
    ASSERT_EQ(entryPointCalls.size(), 2u);
    EXPECT_EQ(entryPointCalls[1].instance, module);
    EXPECT_EQ(entryPointCalls[1].reason, static_cast<DWORD>(DLL_PROCESS_DETACH));
    EXPECT_EQ(entryPointCalls[1].reserved, nullptr);
    EXPECT_EQ(GetModuleHandleW(modulePath), nullptr);

    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(LoaderTest, FailuresReturnNullAndSetTheLastError) {
    HMODULE module = LoadLibraryW(modulePath);
    ASSERT_NE(module, nullptr);
    int notAModule = 0;
    HMODULE unknown = reinterpret_cast<HMODULE>(&notAModule);
    struct Row {
        const char* call;
        std::function<bool()> returnsNull;
        DWORD error;
    };
    const Row rows[] = {
        {"LoadLibraryW(missing file)", [] { return LoadLibraryW(u"/nonexistent/none.so") == nullptr; },
         ERROR_MOD_NOT_FOUND},
        {"LoadLibraryW(\"\")", [] { return LoadLibraryW(u"") == nullptr; }, ERROR_MOD_NOT_FOUND},
        {"LoadLibraryW(null)", [] { return LoadLibraryW(nullptr) == nullptr; }, ERROR_MOD_NOT_FOUND},
        {"GetModuleHandleW(not loaded)", [] { return GetModuleHandleW(u"/nonexistent/none.so") == nullptr; },
         ERROR_MOD_NOT_FOUND},
        {"GetModuleHandleW(\"\")", [] { return GetModuleHandleW(u"") == nullptr; }, ERROR_MOD_NOT_FOUND},
        {"GetProcAddress(missing export)", [=] { return GetProcAddress(module, "NoSuchExport") == nullptr; },
         ERROR_PROC_NOT_FOUND},
        // A dependency's export is not the module's own.
        {"GetProcAddress(dependency's export)", [=] { return GetProcAddress(module, "malloc") == nullptr; },
         ERROR_PROC_NOT_FOUND},
        {"GetProcAddress(ordinal)",
         [=] { return GetProcAddress(module, reinterpret_cast<LPCSTR>(std::uintptr_t{1})) == nullptr; },
         ERROR_PROC_NOT_FOUND},
        {"GetProcAddress(unknown handle)",
         [=] { return GetProcAddress(unknown, "LoaderTestAnswer") == nullptr; }, ERROR_INVALID_HANDLE},
    };
    for (const Row& row : rows) {
        SetLastError(0);
        EXPECT_TRUE(row.returnsNull()) << row.call;
        EXPECT_EQ(GetLastError(), row.error) << row.call;
    }
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
    entryPointCalls.push_back({instance, reason, reserved});
    return reason == DLL_PROCESS_ATTACH ? attachResult : TRUE;
}
