// The library as the host sees it: loaded and unloaded by the system's loader.
#include <afxwin.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace {

// The module's links in the framework's chain, none of them a system library's.
int LinksOf(HMODULE module) {
    int links = 0;
    for (CDynLinkLibrary* library = FrameworkStandIn::FirstLinkedLibrary(); library;
         library = library->m_pNextDLL)
        links += library->m_hModule == module && !library->m_bSystem ? 1 : 0;
    return links;
}

// A refused registration refuses the load. A load registers and links once, however often the library
// is loaded; the last unload terminates once and leaves the host's own registration alone.
TEST(ModuleEntry, RegistersWithTheFramework) {
    // Windows paths want backslashes; the stand-in loader takes them too. WCHAR is wchar_t on Windows.
    const std::u16string_view file = WINDOWSUTILS_LIBRARY;
    std::basic_string<WCHAR> path(file.begin(), file.end());
    std::ranges::replace(path, WCHAR{'/'}, WCHAR{'\\'});
    FrameworkStandIn::ResetCounts();
    FrameworkStandIn::FailNextInitialisation();
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(path.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
    EXPECT_EQ(FrameworkStandIn::InitialisationCount(), 1);
    EXPECT_EQ(FrameworkStandIn::FirstLinkedLibrary(), nullptr);
    EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr);

    char host = 0;
    AFX_EXTENSION_MODULE hostRecord = {};
    ASSERT_TRUE(AfxInitExtensionModule(hostRecord, reinterpret_cast<HMODULE>(&host)));
    new CDynLinkLibrary(hostRecord);
    FrameworkStandIn::ResetCounts();
    HMODULE module = LoadLibraryW(path.c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(LoadLibraryW(path.c_str()), module);
    EXPECT_EQ(FrameworkStandIn::InitialisationCount(), 1);
    EXPECT_EQ(LinksOf(module), 1);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(FrameworkStandIn::TerminationCount(), 0);
    EXPECT_EQ(LinksOf(module), 1);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(FrameworkStandIn::TerminationCount(), 1);
    EXPECT_EQ(LinksOf(module), 0);
    EXPECT_EQ(LinksOf(hostRecord.hModule), 1);
    EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr);
    AfxTermExtensionModule(hostRecord);
}

} // namespace
