# What `cmake --install` lays out: the library and the kernel it links, the host kit beside them (its
# header WindowsUtilsHostKit.h, target WindowsUtils::HostKit, pkg-config windowsutils-hostkit.pc), the
# public header and every header
# that `#include <WindowsUtils.h>` reaches, a CMake package (find_package(WindowsUtils CONFIG), target
# WindowsUtils::WindowsUtils) and a pkg-config file (windowsutils.pc). Off Windows the stand-ins of the
# Windows components go along, their headers under include/WindowsUtils/platform/<component>, never
# loose in include/; on Windows the system provides them and only the framework stand-in goes along.
# The Debian package installs under /usr, its libraries in the multiarch folder (lib/<triplet>) that
# GNUInstallDirs picks for that prefix, its documents where Debian keeps a package's documents.
option(WINDOWSUTILS_DEBIAN_PACKAGE "Lay the install out for the Debian package windowsutils-dev" OFF)
if(WINDOWSUTILS_DEBIAN_PACKAGE)
  if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    message(FATAL_ERROR "The Debian package installs under /usr: configure with -DCMAKE_INSTALL_PREFIX=/usr")
  endif()
  set(CMAKE_INSTALL_DOCDIR share/doc/windowsutils-dev CACHE PATH "Documents of the Debian package")
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(WINDOWSUTILS_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/WindowsUtils)
set(WINDOWSUTILS_PLATFORM_HEADER_DIR ${CMAKE_INSTALL_INCLUDEDIR}/WindowsUtils/platform)

# The kernel keeps the unversioned name of the library it stands in for, so a host can put the real
# one in its place.
set_target_properties(WindowsUtils PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})

# The headers a caller includes need C++20 (the kernel's records compare with defaulted operators).
target_compile_features(gkern INTERFACE cxx_std_20)

# The platform libraries installed beside the library, and the targets that carry their headers.
set(platform_targets WindowsPlatform WindowsFramework)
if(NOT WIN32)
  list(APPEND platform_targets oleaut32 comsupp gdi32 ucrt kernel32)
endif()

# The header folders the platform targets carry in the build tree, platform/<component>/include, each
# installed as include/WindowsUtils/platform/<component>.
set(platform_header_dirs)
foreach(target IN LISTS platform_targets)
  get_target_property(folders ${target} INTERFACE_INCLUDE_DIRECTORIES)
  foreach(folder IN LISTS folders)
    if(folder MATCHES "^\\$<BUILD_INTERFACE:(.*/platform/([^/]+)/include)>$")
      set(source ${CMAKE_MATCH_1})
      set(component ${CMAKE_MATCH_2})
      if(NOT component IN_LIST platform_header_dirs)
        install(DIRECTORY ${source}/ DESTINATION ${WINDOWSUTILS_PLATFORM_HEADER_DIR}/${component})
        list(APPEND platform_header_dirs ${component})
      endif()
    endif()
  endforeach()
endforeach()
list(TRANSFORM platform_header_dirs PREPEND ${WINDOWSUTILS_PLATFORM_HEADER_DIR}/)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/kernel/include/gkern DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/WindowsUtils.h ${PROJECT_SOURCE_DIR}/include/WindowsUtilsHostKit.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

if(NOT WIN32)
  set(installed_libraries WindowsUtils WindowsUtilsHostKit gkern ${platform_targets})
  list(REMOVE_ITEM installed_libraries WindowsPlatform)
  # Installed libraries find each other where they lie, through an RPATH of $ORIGIN; in a folder the
  # loader searches anyway (the Debian package's /usr/lib/<triplet>) they need none, and carry none.
  if(NOT CMAKE_INSTALL_FULL_LIBDIR IN_LIST CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES)
    set_target_properties(${installed_libraries} PROPERTIES INSTALL_RPATH "$ORIGIN")
  endif()
  # Each names the C library it runs on, also one that calls none of it directly (the linker would
  # drop it as not needed): packaging tools tell a shared library from other files by that.
  foreach(library IN LISTS installed_libraries)
    target_link_options(${library} PRIVATE LINKER:--push-state,--no-as-needed,-lc,--pop-state)
  endforeach()
endif()
install(TARGETS WindowsUtils WindowsUtilsHostKit gkern
  EXPORT WindowsUtilsTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS ${platform_targets}
  EXPORT WindowsUtilsTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${platform_header_dirs})

# The CMake package.
install(EXPORT WindowsUtilsTargets NAMESPACE WindowsUtils:: DESTINATION ${WINDOWSUTILS_PACKAGE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/WindowsUtilsConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/WindowsUtilsConfig.cmake
  INSTALL_DESTINATION ${WINDOWSUTILS_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/WindowsUtilsConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/WindowsUtilsConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/WindowsUtilsConfigVersion.cmake
  DESTINATION ${WINDOWSUTILS_PACKAGE_DIR})

# The pkg-config file, relocatable: the prefix is found from where the file lies.
set(pkgconfig_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH pkgconfig_to_prefix /prefix/${pkgconfig_dir} /prefix)
string(REGEX REPLACE "/$" "" pkgconfig_to_prefix ${pkgconfig_to_prefix})
set(pkgconfig_cflags "-I\${includedir}")
foreach(folder IN LISTS platform_header_dirs)
  file(RELATIVE_PATH folder /prefix/${CMAKE_INSTALL_INCLUDEDIR} /prefix/${folder})
  string(APPEND pkgconfig_cflags " -I\${includedir}/${folder}")
endforeach()
# Callers use the OLE Automation functions and the kernel's points and matrices themselves.
if(WIN32)
  set(pkgconfig_libs "-lWindowsUtils -lgkern -loleaut32 -lole32 -luuid -lgdi32")
else()
  set(pkgconfig_libs "-lWindowsUtils -lgkern -loleaut32 -lcomsupp -lgdi32 -lucrt")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/windowsutils.pc.in ${CMAKE_CURRENT_BINARY_DIR}/windowsutils.pc @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/windowsutils-hostkit.pc.in ${CMAKE_CURRENT_BINARY_DIR}/windowsutils-hostkit.pc
  @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/windowsutils.pc ${CMAKE_CURRENT_BINARY_DIR}/windowsutils-hostkit.pc
  DESTINATION ${pkgconfig_dir})

# The documents: the licence, the README and the changelog. On Windows they lie at the top of the
# install, beside bin/ and include/. Debian wants the licence as copyright, the changelog compressed.
set(documents ${PROJECT_SOURCE_DIR}/README.md)
if(WINDOWSUTILS_DEBIAN_PACKAGE)
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/debian/copyright
    "WindowsUtils, packaged as windowsutils-dev by its developers.\n\n"
    "Files: *\nCopyright: 2026 The WindowsUtils developers\nLicense: MIT\n\n${license_text}")
  # gzip -9n: the most compression and no time stamp, so the same changelog gives the same bytes.
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz
    COMMAND sh -c "gzip -9n < '${PROJECT_SOURCE_DIR}/CHANGELOG.md' > '${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz'"
    DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md VERBATIM)
  add_custom_target(debian_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz)
  list(APPEND documents ${CMAKE_CURRENT_BINARY_DIR}/debian/copyright ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz)
else()
  list(APPEND documents ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
endif()
if(WIN32)
  install(FILES ${documents} DESTINATION .)
else()
  install(FILES ${documents} DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
