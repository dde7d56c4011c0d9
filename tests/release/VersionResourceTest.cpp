// WindowsUtils.dll and gkern.dll name their build in a version resource: read back the way a host
// or Explorer reads it, with GetFileVersionInfoW and VerQueryValueW, from the DLL as loaded.
#include <gtest/gtest.h>

#include <windows.h>
#include <winver.h>

#include <string>
#include <vector>

namespace {

constexpr wchar_t kVersion[] = L"" WINDOWSUTILS_VERSION;

// The file of the DLL as the loader finds it for a host, beside the program.
std::wstring LoadedFile(const wchar_t* name) {
    const HMODULE module = LoadLibraryW(name);
    if (module == nullptr)
        return {};
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    FreeLibrary(module);
    return std::wstring(path, length);
}

std::vector<BYTE> VersionInfo(const std::wstring& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    std::vector<BYTE> data(size);
    if (size == 0 || !GetFileVersionInfoW(file.c_str(), 0, size, data.data()))
        data.clear();
    return data;
}

// A string of the block that the resource's first translation names.
std::wstring VersionString(std::vector<BYTE>& info, const std::wstring& key) {
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                        &size) ||
        size < sizeof(Translation))
        return L"<no translation>";
    wchar_t block[64];
    swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translations->language, translations->codePage);
    wchar_t* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), (block + key).c_str(), reinterpret_cast<void**>(&text), &length))
        return L"<missing>";
    return std::wstring(text, length > 0 && text[length - 1] == L'\0' ? length - 1 : length);
}

TEST(VersionResource, NamesTheProjectVersionInBothDlls) {
    const std::wstring copyright = L"Copyright (c) 2026 The WindowsUtils developers. MIT licence.";
    struct Row {
        const wchar_t* dll;
        const wchar_t* key;
        std::wstring expected;
    };
    const Row rows[] = {
        {L"WindowsUtils.dll", L"FileVersion", kVersion},
        {L"WindowsUtils.dll", L"ProductVersion", kVersion},
        {L"WindowsUtils.dll", L"ProductName", L"WindowsUtils"},
        {L"WindowsUtils.dll", L"OriginalFilename", L"WindowsUtils.dll"},
        {L"WindowsUtils.dll", L"InternalName", L"WindowsUtils"},
        {L"WindowsUtils.dll", L"CompanyName", L"The WindowsUtils developers"},
        {L"WindowsUtils.dll", L"LegalCopyright", copyright},
        {L"WindowsUtils.dll", L"FileDescription",
         L"Conversions between OLE Automation values and the geometric kernel's data model"},
        {L"gkern.dll", L"FileVersion", kVersion},
        {L"gkern.dll", L"ProductVersion", kVersion},
        {L"gkern.dll", L"ProductName", L"WindowsUtils"},
        {L"gkern.dll", L"OriginalFilename", L"gkern.dll"},
        {L"gkern.dll", L"LegalCopyright", copyright},
        {L"gkern.dll", L"FileDescription", L"Geometric kernel containers, points and matrices"},
    };
    for (const Row& row : rows) {
        std::vector<BYTE> info = VersionInfo(LoadedFile(row.dll));
        ASSERT_FALSE(info.empty()) << row.dll;
        EXPECT_EQ(VersionString(info, row.key), row.expected) << row.dll << " " << row.key;
    }
}

TEST(VersionResource, FixedPartHoldsTheVersionNumbers) {
    // FILEVERSION a,b,c,d is stored as (a << 16 | b, c << 16 | d): 1.0.0 as 0x00010000, 0x00000000.
    const DWORD mostSignificant = WINDOWSUTILS_VERSION_MAJOR << 16 | WINDOWSUTILS_VERSION_MINOR;
    const DWORD leastSignificant = WINDOWSUTILS_VERSION_PATCH << 16;
    for (const wchar_t* dll : {L"WindowsUtils.dll", L"gkern.dll"}) {
        std::vector<BYTE> info = VersionInfo(LoadedFile(dll));
        ASSERT_FALSE(info.empty()) << dll;
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT size = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size)) << dll;
        ASSERT_EQ(size, sizeof(VS_FIXEDFILEINFO)) << dll;
        EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu) << dll;
        EXPECT_EQ(fixed->dwFileVersionMS, mostSignificant) << dll;
        EXPECT_EQ(fixed->dwFileVersionLS, leastSignificant) << dll;
        EXPECT_EQ(fixed->dwProductVersionMS, mostSignificant) << dll;
        EXPECT_EQ(fixed->dwProductVersionLS, leastSignificant) << dll;
        EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL)) << dll;
    }
}

} // namespace
