// The library as the host sees it: loaded and unloaded by the system's loader, registering with the
// application framework on the way.
#include <afxwin.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace {

// Windows paths want backslashes; the stand-in loader takes them too. WCHAR is wchar_t on Windows.
std::basic_string<WCHAR> LibraryPath() {
    const std::u16string_view file = WINDOWSUTILS_LIBRARY;
    std::basic_string<WCHAR> path(file.begin(), file.end());
    std::ranges::replace(path, WCHAR{'/'}, WCHAR{'\\'});
    return path;
}

int LinksOf(HMODULE module) {
    int links = 0;
    for (CDynLinkLibrary* library = FrameworkStandIn::FirstLinkedLibrary(); library != nullptr;
         library = library->m_pNextDLL) {
        if (library->m_hModule == module) {
            EXPECT_FALSE(library->m_bSystem);
            ++links;
        }
    }
    return links;
}

class ModuleEntryTest : public ::testing::Test {
protected:
    void SetUp() override { FrameworkStandIn::ResetCounts(); }

    const std::basic_string<WCHAR> path = LibraryPath();
};

TEST_F(ModuleEntryTest, RefusedRegistrationRefusesTheLoad) {
    FrameworkStandIn::FailNextInitialisation();
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(path.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
    EXPECT_EQ(FrameworkStandIn::InitialisationCount(), 1);
    EXPECT_EQ(FrameworkStandIn::FirstLinkedLibrary(), nullptr);
    EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr);
}

TEST_F(ModuleEntryTest, LoadRegistersOnceAndUnloadTerminatesOnce) {
    // The host's own registration, which the library's termination must leave alone.
    char host = 0;
    AFX_EXTENSION_MODULE hostRecord = {};
    ASSERT_TRUE(AfxInitExtensionModule(hostRecord, reinterpret_cast<HMODULE>(&host)));
    new CDynLinkLibrary(hostRecord);
    FrameworkStandIn::ResetCounts();

    HMODULE module = LoadLibraryW(path.c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(FrameworkStandIn::InitialisationCount(), 1);
    EXPECT_EQ(LinksOf(module), 1);

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
