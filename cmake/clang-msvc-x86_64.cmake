# Cross-compiles for 64-bit Windows in the Microsoft C++ ABI, the one a Visual C++ host is built with:
# clang in MSVC mode, the Microsoft STL's headers, Wine's C runtime and Windows headers, and Wine's
# ucrtbase, vcruntime140 and msvcp140 as the runtime DLLs. The programs run under Wine.
#
# The STL's headers are not in the repository: the archive in ../shared/msvc-stl (or the folder named by
# WINDOWSUTILS_MSVC_STL, as a CMake or environment variable) is unpacked into the build folder. The few
# pieces only Visual C++ ships (compiler runtime headers, startup code, comdef.h) are our stand-ins in
# platform/visual-cpp-runtime; the corrections to Wine's headers are in platform/wine.
#
# Release only: _ITERATOR_DEBUG_LEVEL is 0. A Debug build (level 2) changes std::vector's and
# std::string's layout and calls the debug runtime (msvcp140d), which Wine does not ship; a host must
# use the same level as the DLL, as with Visual C++ itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(WINDOWSUTILS_MSVC_ABI ON)
set(msvc_target x86_64-pc-windows-msvc)
set(CMAKE_C_COMPILER clang-16)
set(CMAKE_CXX_COMPILER clang++-16)
set(CMAKE_C_COMPILER_TARGET ${msvc_target})
set(CMAKE_CXX_COMPILER_TARGET ${msvc_target})
set(CMAKE_RC_COMPILER llvm-rc-16)
set(CMAKE_AR /usr/lib/llvm-16/bin/llvm-ar CACHE FILEPATH "Archiver")
set(CMAKE_LINKER /usr/lib/llvm-16/bin/lld-link CACHE FILEPATH "Linker")
# The compiler checks compile only: linking needs the runtime libraries made below.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(source_dir ${CMAKE_CURRENT_LIST_DIR}/..)
set(wine_windows_libraries /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
set(wine_headers /usr/include/wine/wine)
set(clang_headers /usr/lib/llvm-16/lib/clang/16/include)

# The toolchain's own files (STL headers, import libraries, static runtime) live in the top build folder;
# the compiler checks, which configure a project of their own, are handed its location.
if(NOT WINDOWSUTILS_MSVC_TOOLCHAIN_DIR)
  set(WINDOWSUTILS_MSVC_TOOLCHAIN_DIR ${CMAKE_BINARY_DIR}/visual-cpp)
endif()
set(toolchain_dir ${WINDOWSUTILS_MSVC_TOOLCHAIN_DIR})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES WINDOWSUTILS_MSVC_TOOLCHAIN_DIR)

set(msvc_flags
  --target=${msvc_target} -fms-compatibility -fms-extensions -fms-compatibility-version=19.39
  -fexceptions -fcxx-exceptions -nostdinc -Wno-unused-command-line-argument
  -isystem ${clang_headers}
  -isystem ${source_dir}/platform/visual-cpp-runtime/include
  -isystem ${toolchain_dir}/stl/inc
  -isystem ${source_dir}/platform/wine/include
  -isystem ${wine_headers}/msvcrt
  -isystem ${wine_headers}/windows
  # WCHAR is wchar_t, as in the Windows SDK (Wine would make it char16_t).
  -DWINE_UNICODE_NATIVE
  # GetExceptionCode and its kin, which Visual C++ offers inside __try/__except.
  -DUSE_COMPILER_EXCEPTIONS
  -D_ITERATOR_DEBUG_LEVEL=0
  # The STL's vectorized algorithms live in a newer msvcp140 than Wine's.
  -D_USE_STD_VECTOR_ALGORITHMS=0)
list(JOIN msvc_flags " " msvc_flags)
set(CMAKE_C_FLAGS_INIT "${msvc_flags}")
# The resource compiler preprocesses with the same Windows headers.
set(CMAKE_RC_FLAGS_INIT "-I ${wine_headers}/windows")
set(CMAKE_CXX_FLAGS_INIT "${msvc_flags}")

# The runtime a Visual C++ module links: ucrtbase, vcruntime140, msvcp140 and the static startup code.
# The STL's objects also ask for msvcprt.lib and msvcrt.lib by name, which do not exist here.
set(runtime_libraries ${toolchain_dir}/lib/visual-cpp-runtime.lib ${toolchain_dir}/lib/msvcp140.lib
  # vcruntime140 before ucrtbase, which exports some of the same functions: a Visual C++ module takes
  # the compiler runtime's from vcruntime140.
  ${wine_windows_libraries}/libvcruntime140.a ${wine_windows_libraries}/libucrtbase.a
  ${wine_windows_libraries}/libkernel32.a ${wine_windows_libraries}/libntdll.a
  ${wine_windows_libraries}/libwinecrt0.a
  # and the system libraries a Visual C++ project links by default.
  -luser32 -lgdi32 -ladvapi32 -lshell32 -lole32 -loleaut32 -luuid)
list(JOIN runtime_libraries " " CMAKE_CXX_STANDARD_LIBRARIES)
set(CMAKE_C_STANDARD_LIBRARIES "${CMAKE_CXX_STANDARD_LIBRARIES}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Xlinker /nodefaultlib -Xlinker /libpath:${toolchain_dir}/lib")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${CMAKE_EXE_LINKER_FLAGS_INIT}")
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Xlinker /entry:mainCRTStartup -Xlinker /subsystem:console")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${CMAKE_EXE_LINKER_FLAGS_INIT}")

set(CMAKE_FIND_ROOT_PATH ${wine_windows_libraries})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${source_dir}/scripts/lib/wine-run)

include(${CMAKE_CURRENT_LIST_DIR}/VisualCppToolchain.cmake)
windowsutils_prepare_msvc_toolchain(${toolchain_dir})
