// On Linux the library's file name and SONAME say which build it is: libWindowsUtils.so.<major>, the
// name a program records, links to libWindowsUtils.so.<major>.<minor>.<patch>.
#include <WindowsUtils.h>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace {

struct LoadedLibrary {
    std::string path;
    std::string soname;
};

// The library as loaded into this program, found by the address of one of its exports.
LoadedLibrary FindLoadedLibrary() {
    const auto exported = static_cast<bool (*)(VARIANT&, const MbMatrix3D&)>(&TransformPoints);
    Dl_info info{};
    link_map* map = nullptr;
    if (dladdr1(reinterpret_cast<void*>(exported), &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) ==
            0 ||
        map == nullptr)
        return {};
    LoadedLibrary library{map->l_name, {}};
    const char* strings = nullptr;
    ElfW(Xword) soname = 0;
    bool hasSoname = false;
    for (const ElfW(Dyn)* entry = map->l_ld; entry->d_tag != DT_NULL; ++entry) {
        if (entry->d_tag == DT_STRTAB)
            strings = reinterpret_cast<const char*>(entry->d_un.d_ptr);
        if (entry->d_tag == DT_SONAME) {
            soname = entry->d_un.d_val;
            hasSoname = true;
        }
    }
    if (strings != nullptr && hasSoname)
        library.soname = strings + soname;
    return library;
}

std::string FileName(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

TEST(LibraryVersion, SonameAndFileFollowTheProjectVersion) {
    const LoadedLibrary library = FindLoadedLibrary();
    ASSERT_FALSE(library.path.empty());
    const std::string major = std::to_string(WINDOWSUTILS_VERSION_MAJOR);
    EXPECT_EQ(library.soname, "libWindowsUtils.so." + major);
    // The program loads the file its SONAME names, a link to the file named with the whole version.
    EXPECT_EQ(FileName(library.path), "libWindowsUtils.so." + major);
    char resolved[PATH_MAX];
    ASSERT_NE(realpath(library.path.c_str(), resolved), nullptr) << library.path;
    EXPECT_EQ(FileName(resolved), std::string("libWindowsUtils.so.") + WINDOWSUTILS_VERSION);
}

} // namespace
